#pragma once

#include <QString>
#include <QtGlobal>

namespace app {

// The language the program speaks, decided in this one place from Language_Flag: 0 is English
// and 1 Russian. Any other value (only an edited settings file holds one) selects neither
// caption set, so the window keeps the Russian captions it was drawn with; everything else the
// program says follows them and is Russian too, so one window never speaks two languages.
enum class Language { English, Russian };

constexpr Language languageFor(qint16 languageFlag) {
    return languageFlag == 0 ? Language::English : Language::Russian;
}

constexpr bool isEnglish(qint16 languageFlag) {
    return languageFor(languageFlag) == Language::English;
}

// For code that carries the choice as a flag of its own.
constexpr Language languageOf(bool english) {
    return english ? Language::English : Language::Russian;
}

} // namespace app
