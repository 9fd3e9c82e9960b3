#include "app/window_placement.h"

#include <QLayout>
#include <QScreen>
#include <QWidget>

namespace tovrin {

void CentreOnScreen(QWidget& window, const QWidget* beside)
{
    if (QLayout* layout = window.layout())
        layout->activate();
    QScreen* screen = beside ? beside->screen() : window.screen();
    if (!screen)
        return;
    QRect placed(QPoint(), window.size());
    placed.moveCenter(screen->availableGeometry().center());
    window.move(placed.topLeft());
}

}  // namespace tovrin
