#include "journalserver/view/tfjournalsettings.h"

#include "gui/report.h"
#include "journal/sqlitestore.h"
#include "journalserver/movetoserver.h"
#include "journalserver/serverstore.h"
#include "journalserver/view/serverpassword.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kelto {

namespace {

template <typename T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A server's field holds no line break: each value is one line of journal.cnf.
QLineEdit* Field(QWidget* parent, const char* name)
{
    auto* e = Named(new QLineEdit(parent), name);
    e->setMaxLength(255);
    return e;
}

} // namespace

TfJournalSettings::TfJournalSettings(const QString& localJournal, QWidget* parent)
    : TToolWindow(parent, "fJournalSettings", QStringLiteral("Журнал контроля"), {420, 330},
                  QLatin1String(JournalSettingsFileName))
    , m_localJournal(localJournal)
{
    rbLocal = Named(new QRadioButton(QStringLiteral("На этом &компьютере (journal.db)"), this), "rbLocal");
    rbServer = Named(new QRadioButton(QStringLiteral("На &сервере лаборатории"), this), "rbServer");
    auto* place = new QButtonGroup(this);
    place->addButton(rbLocal);
    place->addButton(rbServer);

    eHost = Field(this, "eHost");
    ePort = Named(new QSpinBox(this), "ePort");
    ePort->setRange(1, 65535);
    ePort->setValue(5432);
    eDatabase = Field(this, "eDatabase");
    eUser = Field(this, "eUser");
    cbSslMode = Named(new QComboBox(this), "cbSslMode");
    cbSslMode->addItems(SslModes());

    auto* server = new QFormLayout;
    server->setContentsMargins(22, 0, 0, 0);
    const auto caption = [&](const QString& text, QWidget* input) {
        auto* l = AddCaption(new QLabel(text, this));
        l->setBuddy(input);
        server->addRow(l, input);
    };
    caption(QStringLiteral("С&ервер:"), eHost);
    caption(QStringLiteral("&Порт:"), ePort);
    caption(QStringLiteral("&База данных:"), eDatabase);
    caption(QStringLiteral("&Пользователь:"), eUser);
    caption(QStringLiteral("&Шифрование (sslmode):"), cbSslMode);

    bCheck = Named(new QPushButton(QStringLiteral("П&роверить соединение"), this), "bCheck");
    bMove = Named(new QPushButton(QStringLiteral("П&еренести записи на сервер"), this), "bMove");
    bClose = Named(new QPushButton(QStringLiteral("Закрыть"), this), "bClose");
    auto* serverButtons = new QHBoxLayout;
    serverButtons->setContentsMargins(22, 0, 0, 0);
    serverButtons->addWidget(bCheck);
    serverButtons->addWidget(bMove);
    serverButtons->addStretch(1);

    lResult = AddValue(Named(new QLabel(this), "lResult"));
    lResult->setWordWrap(true);
    lResult->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lResult->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(bClose);

    auto* main = new QVBoxLayout(this);
    main->addWidget(rbLocal);
    main->addWidget(rbServer);
    main->addLayout(server);
    main->addLayout(serverButtons);
    main->addWidget(lResult, 1);
    main->addLayout(closeRow);

    SetInputs({rbLocal, rbServer, eHost, ePort, eDatabase, eUser, cbSslMode, bCheck, bMove, bClose});

    QString note;
    m_opened = ReadJournalSettings(&note);
    SetForm(m_opened);
    if (!note.isEmpty())
        Say(note);

    connect(rbServer, &QRadioButton::toggled, this, &TfJournalSettings::FollowPlace);
    connect(bCheck, &QPushButton::clicked, this, &TfJournalSettings::CheckConnection);
    connect(bMove, &QPushButton::clicked, this, &TfJournalSettings::MoveEntries);
    connect(bClose, &QPushButton::clicked, this, &QWidget::close);
}

TJournalSettings TfJournalSettings::Form() const
{
    TJournalSettings s;
    s.place = rbServer->isChecked() ? TJournalPlace::Server : TJournalPlace::Local;
    s.host = eHost->text().trimmed();
    s.port = ePort->value();
    s.database = eDatabase->text().trimmed();
    s.user = eUser->text().trimmed();
    s.sslMode = cbSslMode->currentText();
    return s;
}

void TfJournalSettings::SetForm(const TJournalSettings& s)
{
    {
        const auto blocked = BlockInputSignals();
        rbLocal->setChecked(s.place == TJournalPlace::Local);
        rbServer->setChecked(s.place == TJournalPlace::Server);
        eHost->setText(s.host);
        ePort->setValue(s.port);
        eDatabase->setText(s.database);
        eUser->setText(s.user);
        cbSslMode->setCurrentIndex(std::max(0, int(SslModes().indexOf(s.sslMode))));
    }
    FollowPlace();
}

QString TfJournalSettings::ResultText() const
{
    return lResult->text();
}

void TfJournalSettings::FollowPlace()
{
    const bool server = rbServer->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(eHost), static_cast<QWidget*>(ePort), static_cast<QWidget*>(eDatabase),
                       static_cast<QWidget*>(eUser), static_cast<QWidget*>(cbSslMode),
                       static_cast<QWidget*>(bCheck), static_cast<QWidget*>(bMove)})
        w->setEnabled(server);
}

void TfJournalSettings::Say(const QString& text)
{
    lResult->setText(text);
}

std::optional<TJournalSettings> TfJournalSettings::FilledServer()
{
    const TJournalSettings s = Form();
    if (!s.host.isEmpty() && !s.database.isEmpty() && !s.user.isEmpty())
        return s;
    Say(QStringLiteral("Укажите сервер, базу данных и пользователя."));
    return std::nullopt;
}

void TfJournalSettings::CheckConnection()
{
    Guarded([this] {
        if (const auto s = FilledServer()) {
            Say(QStringLiteral("Проверка соединения…"));
            TConnectionCheck check;
            ServerPassword(this, *s, &check);
            Say(check.text);
        }
    });
}

void TfJournalSettings::MoveEntries()
{
    Guarded([this] {
        const auto filled = FilledServer();
        if (!filled)
            return;
        const TJournalSettings& s = *filled;
        TMessageRequest ask;
        ask.icon = QMessageBox::Question;
        ask.caption = QString::fromUtf8(AppTitle);
        ask.text = QStringLiteral("Скопировать все записи и заключения из %1 в журнал на сервере %2 (база %3)?\n"
                                  "Уже перенесённые записи второй раз не копируются.")
                       .arg(QDir::toNativeSeparators(m_localJournal), s.host, s.database);
        ask.buttons = QMessageBox::Yes | QMessageBox::No;
        ask.defaultButton = QMessageBox::Yes;
        ask.buttonTexts = {{QMessageBox::Yes, QStringLiteral("Перенести")}, {QMessageBox::No, QStringLiteral("Отмена")}};
        if (ShowMessage(ask) != QMessageBox::Yes)
            return;
        TConnectionCheck check;
        const QString password = ServerPassword(this, s, &check);
        if (!check.connected) {
            Say(check.text);
            return;
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        TServerJournalStore server(s, password);
        TSqliteJournalStore local(m_localJournal);
        TMoveOutcome outcome;
        if (const TStoreResult opened = server.Open(); !opened.IsDone())
            outcome.result = opened;
        else if (const TStoreResult read = local.Open(); !read.IsDone())
            outcome.result = read;
        else
            outcome = MoveToServer(local, server);
        QApplication::restoreOverrideCursor();
        Say(MoveOutcomeText(outcome));
    });
}

QByteArray TfJournalSettings::FormFileBytes() const
{
    return JournalSettingsBytes(Form());
}

void TfJournalSettings::closeEvent(QCloseEvent* event)
{
    TToolWindow::closeEvent(event);
    if (Form() != m_opened) {
        m_opened = Form();
        emit settingsChanged();
    }
}

} // namespace kelto
