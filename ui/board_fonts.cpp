#include "board_fonts.h"

#include <QStringList>

namespace ui {

namespace {

constexpr qreal kBoardPointSize = 9.75;

QFont boardFont(const QStringList& families, QFont::StyleHint hint) {
    QFont font;
    font.setFamilies(families);
    font.setStyleHint(hint);
    font.setPointSizeF(kBoardPointSize);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

QFont boardSansFont() {
    // Narrow faces before DejaVu Sans, whose width would cut ten-digit identifiers short.
    return boardFont({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                      QStringLiteral("Nimbus Sans"), QStringLiteral("DejaVu Sans")},
                     QFont::SansSerif);
}

QFont boardSerifFont() {
    return boardFont({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                      QStringLiteral("Nimbus Roman"), QStringLiteral("DejaVu Serif")},
                     QFont::Serif);
}

} // namespace ui
