#include "TFormSearch.h"

#include "base/BlankText.h"
#include "base/ExceptionHandler.h"
#include "base/LatinCaseless.h"
#include "store/SearchReader.h"
#include "store/TDbAccess.h"
#include "widgets/TextBoxes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Kind
{
    NoteRow = 1,
    UrlRow,
    AlamRow
};
constexpr int kKindRole = Qt::UserRole;
constexpr int kGroupRole = Qt::UserRole + 1;
constexpr int kIdRole = Qt::UserRole + 2;

QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') || c == QChar::LineSeparator) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

// Paints a result row with every occurrence of the searched text marked.
class HitDelegate : public QStyledItemDelegate
{
public:
    HitDelegate(QObject* parent, const QString* text) : QStyledItemDelegate(parent), m_text(text)
    {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        if (!index.parent().isValid() || m_text->isEmpty()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        const QString shown = cell.text;
        cell.text.clear();
        const QWidget* view = cell.widget;
        QStyle* style = view ? view->style() : nullptr;
        if (style) {
            style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);
        }
        const QRect area = cell.rect.adjusted(4, 0, -4, 0);
        const QFontMetrics metrics(cell.font);
        const bool selected = cell.state & QStyle::State_Selected;
        const QColor ink = cell.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        painter->save();
        painter->setClipRect(area);
        painter->setFont(cell.font);
        int x = area.left();
        qsizetype from = 0;
        while (from < shown.size() && x < area.right()) {
            qsizetype at = FindLatinCaseless(shown, *m_text, from);
            const qsizetype end = at < 0 ? shown.size() : at;
            if (end > from) {
                x = drawPiece(painter, area, x, shown.mid(from, end - from), ink, QColor(), metrics);
            }
            if (at < 0) {
                break;
            }
            x = drawPiece(painter, area, x, shown.mid(at, m_text->size()), QColor(0, 0, 0), QColor(255, 230, 120),
                          metrics);
            from = at + m_text->size();
        }
        painter->restore();
    }

private:
    static int drawPiece(QPainter* painter, const QRect& area, int x, const QString& piece, const QColor& ink,
                         const QColor& mark, const QFontMetrics& metrics)
    {
        const int width = metrics.horizontalAdvance(piece);
        const QRect box(x, area.top(), width, area.height());
        if (mark.isValid()) {
            painter->fillRect(box, mark);
        }
        painter->setPen(ink);
        // The last piece that does not fit ends in "…".
        const QString text =
            x + width > area.right() ? metrics.elidedText(piece, Qt::ElideRight, area.right() - x) : piece;
        painter->drawText(QRect(x, area.top(), area.right() - x, area.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        return x + width;
    }

    const QString* m_text;
};

QString heading(const QString& kind, int shown, int count)
{
    if (count > shown) {
        return QStringLiteral("%1（共 %2 条，显示前 %3 条）").arg(kind).arg(count).arg(shown);
    }
    return QStringLiteral("%1（%2 条）").arg(kind).arg(count);
}

QTreeWidgetItem* row(QTreeWidgetItem* group, Kind kind, const QString& text, const QString& tip)
{
    auto* item = new QTreeWidgetItem(group, QStringList{oneLine(text)});
    item->setData(0, kKindRole, kind);
    item->setToolTip(0, tip);
    return item;
}

} // namespace

TFormSearch::TFormSearch(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormSearch"));
    setWindowTitle(QStringLiteral("搜索全部"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    edtSearch = new QLineEdit(this);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->setPlaceholderText(QStringLiteral("输入要查找的文字：笔记、网址和提醒"));
    edtSearch->setClearButtonEnabled(true);
    NoLengthLimit(edtSearch);
    layout->addWidget(edtSearch);
    lvResult = new QTreeWidget(this);
    lvResult->setObjectName(QStringLiteral("lvResult"));
    lvResult->setHeaderHidden(true);
    lvResult->setColumnCount(1);
    lvResult->setUniformRowHeights(true);
    lvResult->setTextElideMode(Qt::ElideRight);
    lvResult->setItemDelegate(new HitDelegate(lvResult, &m_shown.text));
    layout->addWidget(lvResult, 1);
    labState = new QLabel(this);
    labState->setObjectName(QStringLiteral("labState"));
    labState->setText(QStringLiteral("双击或按回车键打开选中的结果"));
    layout->addWidget(labState);
    resize(560, 420);

    m_typing = new QTimer(this);
    m_typing->setSingleShot(true);
    m_typing->setInterval(kTypingPauseMs);
    connect(m_typing, &QTimer::timeout, this, guard([this] { startSearch(); }));
    connect(edtSearch, &QLineEdit::textChanged, this, guard([this] { edtSearchChange(); }));
    connect(lvResult, &QTreeWidget::itemActivated, this,
            guard([this](QTreeWidgetItem* item, int) { lvResultActivated(item); }));
    edtSearch->installEventFilter(this);

    m_reader = std::make_unique<SearchReader>(
        this, [] { return DbAccess->ReaderOpener(); },
        [this](const SearchAll::Results& results) { Guarded([&] { showResults(results); }); });
    m_release = DbAccess->AddReaderRelease([this] { m_reader->release(); });
}

TFormSearch::~TFormSearch()
{
    if (DbAccess) {
        DbAccess->RemoveReaderRelease(m_release);
    }
}

void TFormSearch::ShowSearch()
{
    if (!isVisible()) {
        m_reader->request(QString()); // opened and read while the user starts typing
    }
    show();
    raise();
    activateWindow();
    edtSearch->setFocus();
    edtSearch->selectAll();
}

void TFormSearch::edtSearchChange()
{
    m_typing->start();
    labState->setText(QString());
}

void TFormSearch::startSearch()
{
    const QString text = edtSearch->text();
    if (IsBlankText(text)) {
        showResults(SearchAll::Results());
        return;
    }
    if (text.size() > SearchAll::kMaxText) {
        showResults(SearchAll::Results());
        labState->setText(QStringLiteral("要查找的文字太长，最多 %1 个字符。").arg(SearchAll::kMaxText));
        return;
    }
    labState->setText(QStringLiteral("正在搜索…"));
    m_reader->request(text);
}

void TFormSearch::showResults(const SearchAll::Results& results)
{
    // Results for an older text come after the box has moved on: drop them.
    const QString text = edtSearch->text();
    if (!results.text.isEmpty() && results.text != text) {
        return;
    }
    m_shown = results;
    lvResult->setUpdatesEnabled(false);
    lvResult->clear();
    if (!results.error.isEmpty()) {
        labState->setText(QStringLiteral("搜索失败：") + results.error);
    } else if (results.text.isEmpty()) {
        labState->setText(QString());
    } else if (results.noteCount + results.urlCount + results.alamCount == 0) {
        labState->setText(QStringLiteral("没有找到“%1”。").arg(results.text));
    } else {
        labState->setText(QStringLiteral("双击或按回车键打开选中的结果"));
    }
    auto group = [this](const QString& title) {
        auto* item = new QTreeWidgetItem(lvResult, QStringList{title});
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
        item->setFlags(Qt::ItemIsEnabled);
        item->setExpanded(true);
        return item;
    };
    if (results.noteCount > 0) {
        QTreeWidgetItem* notes = group(heading(QStringLiteral("笔记"), results.notes.size(), results.noteCount));
        for (const SearchAll::NoteHit& hit : results.notes) {
            const QString where =
                hit.matches > 1 ? QStringLiteral("%1（%2 处）").arg(hit.path).arg(hit.matches) : hit.path;
            QTreeWidgetItem* item = row(notes, NoteRow, where + QStringLiteral("    ") + hit.snippet,
                                        where + QLatin1Char('\n') + hit.snippet);
            item->setData(0, kGroupRole, hit.group);
        }
        notes->setExpanded(true);
    }
    if (results.urlCount > 0) {
        QTreeWidgetItem* urls = group(heading(QStringLiteral("网址"), results.urls.size(), results.urlCount));
        for (const SearchAll::UrlHit& hit : results.urls) {
            QStringList parts{hit.title, hit.address};
            if (!hit.remark.isEmpty()) {
                parts << hit.remark;
            }
            parts << QStringLiteral("〔%1〕").arg(hit.path);
            const QString tip = QStringLiteral("标题：%1\n网址：%2\n备注：%3\n分组：%4")
                                    .arg(hit.title, hit.address, hit.remark, hit.path);
            QTreeWidgetItem* item = row(urls, UrlRow, parts.join(QStringLiteral("    ")), tip);
            item->setData(0, kGroupRole, hit.group);
            item->setData(0, kIdRole, hit.id);
        }
        urls->setExpanded(true);
    }
    if (results.alamCount > 0) {
        QTreeWidgetItem* alams = group(heading(QStringLiteral("提醒"), results.alams.size(), results.alamCount));
        for (const SearchAll::AlamHit& hit : results.alams) {
            QTreeWidgetItem* item = row(alams, AlamRow, hit.due + QStringLiteral("    ") + hit.text,
                                        hit.due + QLatin1Char('\n') + hit.text);
            item->setData(0, kIdRole, hit.id);
        }
        alams->setExpanded(true);
    }
    if (QTreeWidgetItem* first = lvResult->topLevelItem(0); first && first->childCount() > 0) {
        lvResult->setCurrentItem(first->child(0));
    }
    lvResult->setUpdatesEnabled(true);
}

void TFormSearch::lvResultActivated(QTreeWidgetItem* item)
{
    if (!item || !item->parent()) {
        return;
    }
    switch (item->data(0, kKindRole).toInt()) {
    case NoteRow:
        emit noteChosen(item->data(0, kGroupRole).toInt(), m_shown.text);
        break;
    case UrlRow:
        emit urlChosen(item->data(0, kGroupRole).toInt(), item->data(0, kIdRole).toString());
        break;
    case AlamRow:
        emit alamChosen(item->data(0, kIdRole).toString());
        break;
    default:
        break;
    }
}

bool TFormSearch::eventFilter(QObject* watched, QEvent* event)
{
    // The arrow keys and Enter in the box act on the results below it.
    if (watched == edtSearch && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Down:
        case Qt::Key_Up:
        case Qt::Key_PageDown:
        case Qt::Key_PageUp:
            lvResult->setFocus();
            QCoreApplication::sendEvent(lvResult, event);
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Guarded([this] { lvResultActivated(lvResult->currentItem()); });
            return true;
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormSearch::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Coming back to the window after changing data elsewhere: search again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !IsBlankText(edtSearch->text())) {
        m_typing->start();
    }
}

void TFormSearch::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    // Its connection and cache are let go while nobody searches.
    m_reader->release();
}
