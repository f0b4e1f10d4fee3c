#include "ui/AnchoredPanel.h"

namespace vk {

AnchoredPanel::AnchoredPanel(int designWidth, QWidget* parent) : QWidget(parent), FDesignWidth(designWidth) {}

void AnchoredPanel::Place(QWidget* child, const QRect& designRect, Anchor anchor) {
    child->setParent(this);
    FPlacements.push_back(Placement{child, designRect, anchor});
    Arrange();
}

void AnchoredPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Arrange();
}

void AnchoredPanel::Arrange() {
    const int growth = width() - FDesignWidth;
    for (const Placement& placement : FPlacements) {
        QRect rect = placement.designRect;
        if (placement.anchor == Anchor::Right)
            rect.translate(growth, 0);
        else if (placement.anchor == Anchor::Stretch)
            rect.setWidth(qMax(0, rect.width() + growth));
        placement.child->setGeometry(rect);
    }
}

} // namespace vk
