#pragma once

#include "language.h"

#include <QString>

namespace app {

// The name of every text the program has; the texts themselves are in texts.inc.
enum class Text {
#define TEXT(name, english, russian) name,
#include "texts.inc"
#undef TEXT
};

// The text `id` in `language`.
QString text(Text id, Language language);
inline QString text(Text id, qint16 languageFlag) {
    return text(id, languageFor(languageFlag));
}

// For checking the table as a whole: how many texts there are, and each one's name.
int textCount();
const char* textName(Text id);

} // namespace app
