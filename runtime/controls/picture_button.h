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
    Q_PROPERTY(QString hoverFaceFile READ hoverFaceFile WRITE setHoverFaceFile)
public:
    explicit PictureButton(QWidget* parent = nullptr);

    QPixmap normalFace() const { return normal_; }
    QPixmap hoverFace() const;
    void setNormalFace(const QPixmap& face);
    void setHoverFace(const QPixmap& face);
    // The hover face from a picture file, decoded only when the pointer first comes over
    // the button: nobody sees it at start-up, so start-up need not pay for it.
    QString hoverFaceFile() const { return hover_file_; }
    void setHoverFaceFile(const QString& file);

    bool pointer_over() const { return pointer_over_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPixmap normal_;
    mutable QPixmap hover_;
    QString hover_file_;
    bool pointer_over_ = false;
};

} // namespace glimmer
