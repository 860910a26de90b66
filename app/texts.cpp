#include "texts.h"

namespace app {

namespace {

struct Entry {
    const char* name;
    const char* english;
    const char* russian;
};

constexpr Entry kTexts[] = {
#define TEXT(name, english, russian) {#name, english, russian},
#include "texts.inc"
#undef TEXT
};

const Entry& entry(Text id) {
    return kTexts[static_cast<int>(id)];
}

} // namespace

QString text(Text id, Language language) {
    const Entry& e = entry(id);
    return QString::fromUtf8(language == Language::English ? e.english : e.russian);
}

int textCount() {
    return int(std::size(kTexts));
}

const char* textName(Text id) {
    return entry(id).name;
}

} // namespace app
