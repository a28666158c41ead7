// The About window: one picture, closed by a click on it; the logo opens the
// publisher's web address.
#pragma once
#include <QDialog>

class QLabel;

namespace kelto {

class THotSpot;
class TLinkLabel;

// The publisher's web address (a reserved example domain until the project
// has a home page of its own).
inline constexpr const char* PublisherAddress = "https://kelto.example.org/";

// "1.0": the project's version, set by the build.
QString ProgramVersion();
// The line under the picture: the version and the program folder, where the
// notes and settings live.
QString AboutFolderLine(const QString& programFolder);

class TfAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfAbout(QWidget* parent = nullptr);
    QLabel* Picture() const { return m_image; }

public slots:
    void CloseAbout();
    void OpenPublisherSite();

private:
    QLabel* m_image = nullptr;
    THotSpot* m_logo = nullptr;
    THotSpot* m_surface = nullptr;
    QLabel* m_version = nullptr;
    TLinkLabel* m_guide = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace kelto
