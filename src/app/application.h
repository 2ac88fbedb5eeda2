#pragma once
// The application object: an error that escapes an event handler ends up on
// the error display, and the program goes on.
#include <functional>

#include <QApplication>

#include "widgets/dialogs.h"

namespace zorbex {

// Runs deliver(); an exception escaping it is shown through dialogs.ShowError
// in the words of ErrorText (platform/error_text.h) and swallowed (the event
// then counts as not handled).
bool DeliverGuarded(IDialogs& dialogs, const std::function<bool()>& deliver);

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    // Where uncaught errors are shown; none until set.
    void SetErrorDisplay(IDialogs* dialogs) { dialogs_ = dialogs; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    IDialogs* dialogs_ = nullptr;
};

}  // namespace zorbex
