// Every message box of the program recorded instead of shown, and answered
// with `answer`, for as long as the recorder lives.
#pragma once
#include "gui/report.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace kelto::testing {

struct MessageRecorder {
    QList<TMessageRequest> boxes;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    // Runs while each box is open, before it is answered: what a user could
    // do meanwhile.
    std::function<void(const TMessageRequest&)> whileOpen;

    MessageRecorder()
    {
        SetMessageHandler([this](const TMessageRequest& r) {
            boxes << r;
            if (whileOpen)
                whileOpen(r);
            return answer;
        });
    }
    ~MessageRecorder() { SetMessageHandler({}); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    QStringList Texts() const
    {
        QStringList texts;
        for (const TMessageRequest& r : boxes)
            texts << r.text;
        return texts;
    }
    QStringList Captions() const
    {
        QStringList captions;
        for (const TMessageRequest& r : boxes)
            captions << r.caption;
        return captions;
    }
};

} // namespace kelto::testing
