#include "DateKeys.h"

#include "base/Clock.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

class DateKeyFilter : public QObject
{
public:
    DateKeyFilter(QObject* parent, DateKeys::Midnight midnight, std::function<void(const QString&)> insert)
        : QObject(parent), m_midnight(midnight), m_insert(std::move(insert))
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            const bool ctrl = key->modifiers().testFlag(Qt::ControlModifier);
            if (ctrl && (key->key() == Qt::Key_D || key->key() == Qt::Key_T)) {
                // Claim the key before any shortcut does, then type on the press.
                if (event->type() == QEvent::KeyPress) {
                    m_insert(key->key() == Qt::Key_D ? DateKeys::dateText() : DateKeys::dateTimeText(m_midnight));
                }
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    DateKeys::Midnight m_midnight;
    std::function<void(const QString&)> m_insert;
};

} // namespace

namespace DateKeys {

QString dateText()
{
    return Clock::now().date().toString(QStringLiteral("yyyy-MM-dd"));
}

QString dateTimeText(Midnight midnight)
{
    const QDateTime now = Clock::now();
    if (midnight == Midnight::DropTime && now.time() == QTime(0, 0)) {
        return dateText();
    }
    return now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

void install(QLineEdit* edit, Midnight midnight)
{
    edit->installEventFilter(new DateKeyFilter(edit, midnight, [edit](const QString& text) { edit->insert(text); }));
}

void install(QPlainTextEdit* edit, Midnight midnight)
{
    edit->installEventFilter(
        new DateKeyFilter(edit, midnight, [edit](const QString& text) { edit->insertPlainText(text); }));
}

} // namespace DateKeys
