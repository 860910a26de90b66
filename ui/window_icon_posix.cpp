#include "window_icon.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QStyle>
#include <QWidget>

static void initIconResources() {
    Q_INIT_RESOURCE(ui_resources);
}

namespace ui {

void Set_Window_Icon(QWidget* window, const QString& resourceName, bool alsoOwner) {
    if (!window)
        return;
    initIconResources();

    // One image, scaled to each size the style asks for: large before small, as on Windows.
    const QPixmap image(QStringLiteral(":/icons/") + resourceName + QStringLiteral(".png"));
    QIcon icon;
    const QStyle* style = window->style();
    for (QStyle::PixelMetric metric : {QStyle::PM_LargeIconSize, QStyle::PM_SmallIconSize}) {
        const int side = style->pixelMetric(metric, nullptr, window);
        if (!image.isNull() && side > 0)
            icon.addPixmap(image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    if (!image.isNull())
        icon.addPixmap(image);

    if (alsoOwner)
        topMostOwner(window)->setWindowIcon(icon);
    window->setWindowIcon(icon);
}

} // namespace ui
