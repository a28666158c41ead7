// The picture controls of the windows (backgrounds, scheme pictures, the
// About picture): a plain label showing its picture unscaled from the top
// left corner, so that a plug-in can refill it the same way.
//
// Decoding a picture costs more than anything else at start-up, and the
// remembered plug-in usually replaces the built-in pictures moments after
// the window is built. So a picture is only decoded when it is first
// painted and nothing else has been put there by then.
#pragma once
#include <QByteArray>
#include <QLabel>
#include <QRect>
#include <QString>

namespace kelto {

class TPictureLabel : public QLabel {
public:
    TPictureLabel(QWidget* parent, const QString& resource);

    // Encoded picture bytes (already checked to be readable) decoded at the
    // first painting instead of now; a pixmap set before that wins.
    void SetDeferredPicture(const QByteArray& bytes, const QByteArray& format);
    // Shows `pixmap` now; nothing waiting is decoded over it later.
    void ShowPicture(const QPixmap& pixmap);
    // Decodes what is still waiting (tests and callers that need the pixmap now).
    void DecodeNow();

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QString m_resource;
    QByteArray m_bytes;
    QByteArray m_format;
};

TPictureLabel* MakePictureLabel(QWidget* parent, const char* objectName, const QRect& geometry,
                                const QString& resource);

} // namespace kelto
