#include "widgets/DialogKeys.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace vtt {

namespace {

class DialogKeyFilter : public QObject {
public:
    DialogKeyFilter(QWidget* window, QAbstractButton* ok, QAbstractButton* cancel)
        : QObject(window), window_(window), ok_(ok), cancel_(cancel)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != window_ || event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier)
            return false;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // A focused push button is what Enter means; elsewhere it is OK.
            auto* focused = qobject_cast<QPushButton*>(window_->focusWidget());
            QAbstractButton* pressed = focused && focused->isEnabled() ? focused : ok_.data();
            if (!pressed)
                return false;
            pressed->click();
            return true;
        }
        case Qt::Key_Escape:
            if (cancel_)
                cancel_->click();
            else
                window_->close();
            return true;
        default: return false;
        }
    }

private:
    QWidget* window_;
    QPointer<QAbstractButton> ok_;
    QPointer<QAbstractButton> cancel_;
};

} // namespace

void bindDialogKeys(QWidget* window, QAbstractButton* ok, QAbstractButton* cancel)
{
    window->installEventFilter(new DialogKeyFilter(window, ok, cancel));
}

} // namespace vtt
