#include "platform/UpdaterSystem.h"

#include <QtGlobal>

namespace vo {

namespace {

constexpr int kSystemAnswer = -1;
int answerForTests = kSystemAnswer;

} // namespace

bool updaterCanExist()
{
    if (answerForTests != kSystemAnswer)
        return answerForTests != 0;
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}

ScopedUpdaterSystem::ScopedUpdaterSystem(bool canExist) : previous_(answerForTests)
{
    answerForTests = canExist ? 1 : 0;
}

ScopedUpdaterSystem::~ScopedUpdaterSystem()
{
    answerForTests = previous_;
}

} // namespace vo
