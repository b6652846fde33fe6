#include "app/dateclick.h"

#include <QDateTimeEdit>
#include <QEvent>
#include <QLineEdit>

namespace {

// Selects the section under the text cursor once a click into the edit's
// text is over.
class SectionOnClick : public QObject
{
public:
    explicit SectionOnClick(QDateTimeEdit* edit)
        : QObject(edit)
        , m_edit(edit)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonRelease && m_edit->currentSection() != QDateTimeEdit::NoSection)
            m_edit->setSelectedSection(m_edit->currentSection());
        return QObject::eventFilter(watched, event);
    }

private:
    QDateTimeEdit* m_edit;
};

} // namespace

void selectSectionOnClick(QDateTimeEdit* edit)
{
    if (QLineEdit* text = edit->findChild<QLineEdit*>())
        text->installEventFilter(new SectionOnClick(edit));
}
