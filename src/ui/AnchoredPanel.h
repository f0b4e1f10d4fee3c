#pragma once

// A panel whose children keep the places they were designed at: each child is
// placed by a rectangle on a panel of the design width, and stays at its left
// edge, stays at the right edge, or stretches with the panel's width.

#include <QRect>
#include <QWidget>
#include <vector>

namespace vk {

class AnchoredPanel : public QWidget {
public:
    enum class Anchor { Left, Right, Stretch };

    AnchoredPanel(int designWidth, QWidget* parent = nullptr);
    void Place(QWidget* child, const QRect& designRect, Anchor anchor);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Placement {
        QWidget* child;
        QRect designRect;
        Anchor anchor;
    };
    void Arrange();

    int FDesignWidth;
    std::vector<Placement> FPlacements;
};

} // namespace vk
