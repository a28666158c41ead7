// "Журнал контроля…" of the settings menu: where the control journal lives,
// on this computer (journal.db) or on the laboratory's server, the check of
// the connection and the one-time move of journal.db's entries to the
// server. The choice is journal.cnf, written at every close.
#pragma once
#include "gui/toolwindow.h"
#include "journalserver/journalsettings.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace kelto {

class TfJournalSettings : public TToolWindow {
    Q_OBJECT
public:
    // `localJournal`: the file journal.db whose entries "Перенести записи на
    // сервер" copies. The form starts from journal.cnf.
    explicit TfJournalSettings(const QString& localJournal, QWidget* parent = nullptr);

    TJournalSettings Form() const;
    void SetForm(const TJournalSettings& settings);
    // What the last check or move came to, as the window says it.
    QString ResultText() const;

public slots:
    void CheckConnection();
    void MoveEntries();

signals:
    // The window closed with settings other than those it opened with.
    void settingsChanged();

protected:
    QByteArray FormFileBytes() const override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FollowPlace();
    void Say(const QString& text);
    // The form when it names a server, database and user; else said, nothing.
    std::optional<TJournalSettings> FilledServer();

    QString m_localJournal;
    TJournalSettings m_opened;
    QRadioButton *rbLocal = nullptr, *rbServer = nullptr;
    QLineEdit *eHost = nullptr, *eDatabase = nullptr, *eUser = nullptr;
    QSpinBox* ePort = nullptr;
    QComboBox* cbSslMode = nullptr;
    QPushButton *bCheck = nullptr, *bMove = nullptr, *bClose = nullptr;
    QLabel* lResult = nullptr;
};

} // namespace kelto
