#include "net/IdHTTP.h"

namespace vo {

TIdHTTP::TIdHTTP(QObject *parent)
    : QObject(parent)
{
}

void TIdHTTP::Disconnect()
{
}

} // namespace vo
