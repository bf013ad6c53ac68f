#include "program/AppContext.h"

#include "store/MemberStore.h"

#include <QCoreApplication>

AppContext::AppContext(MemberStore &s, DataFiles f)
    : store(s), files(std::move(f)), end([this](int code) {
          store.close();
          if (endProgram)
              endProgram(code);
          else
              QCoreApplication::exit(code);
      })
{
}
