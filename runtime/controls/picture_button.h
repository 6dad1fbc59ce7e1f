#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace glimmer {

// A button drawn entirely by two pictures: its normal face and the face shown while the
// pointer is over it. It has no pressed or disabled face. The setters follow Qt's property
// naming, since Designer files set the faces through them. Its text is never painted but
// names the button to accessibility tools and UI automation.
class PictureButton : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(QPixmap normalFace READ normalFace WRITE setNormalFace)
    Q_PROPERTY(QPixmap hoverFace READ hoverFace WRITE setHoverFace)
public:
    explicit PictureButton(QWidget* parent = nullptr);

    QPixmap normalFace() const { return normal_; }
    QPixmap hoverFace() const { return hover_; }
    void setNormalFace(const QPixmap& face);
    void setHoverFace(const QPixmap& face);

    bool pointer_over() const { return pointer_over_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap normal_;
    QPixmap hover_;
    bool pointer_over_ = false;
};

} // namespace glimmer
