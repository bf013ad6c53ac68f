#include "app/AppContext.h"

#include "store/MemberStore.h"

#include <QCoreApplication>

void AppContext::requestEnd(int code)
{
    ending = true;
    store.close();
    if (endProgram)
        endProgram(code);
    else
        QCoreApplication::exit(code);
}
