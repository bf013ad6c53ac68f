#include "program/AppContext.h"

#include "screens/Dialogs.h"
#include "store/Database.h"

#include <QApplication>

AppContext::AppContext(Database &s, DataFiles f)
    : store(s), files(std::move(f)), end([this](int code) {
          store.close();
          if (endProgram)
              endProgram(code);
          else
              QCoreApplication::exit(code);
      })
{
    // Before the action's own result, over the screen that ran it.
    store.setCommitConfirmedNotice(
        [] { Dialogs::message(QApplication::activeModalWidget(), Dialogs::kDoneAfterAll); });
}
