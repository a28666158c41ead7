// The search panel over the notepad: a query, the days whose note holds it
// (newest first) and their count. It only reads the store.
#pragma once
#include "diary/daystore.h"
#include "diary/notesearch.h"

#include <QByteArray>
#include <QDate>
#include <QWidget>
#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;

namespace kelto {

class TFoundDaysModel;

// The bytes the matcher reads for a note: the store's own code page 1251
// lines, shared, not copied.
QByteArray NoteBytes(const TDayRecord& record);

class TSearchPanel : public QWidget {
    Q_OBJECT
public:
    TSearchPanel(const TDayList& store, QWidget* parent = nullptr);

    // Takes the notes as they stand now, shows the panel and puts the caret
    // into the query.
    void Open();
    void Close();

signals:
    // The user chose a found day; `span` is the first match in notepad
    // characters.
    void dayChosen(const QDate& date, const TNoteSpan& span);
    void closed();

private slots:
    void QueryChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* eFind = nullptr;
    QListView* lbFound = nullptr;
    QLabel* lFound = nullptr;

    void Choose(int row);

    struct TNote {
        QDate date;
        QByteArray bytes;
    };
    const TDayList& m_store;
    std::vector<TNote> m_notes; // newest first
    TFoundDaysModel* m_model = nullptr;
};

} // namespace kelto
