#include "app/dbus/SingleInstanceAdaptor.h"

#include "app/dbus/SingleInstance.h"

SingleInstanceAdaptor::SingleInstanceAdaptor(SingleInstance* instance)
    : QDBusAbstractAdaptor(instance)
    , m_instance(instance)
{
}

void SingleInstanceAdaptor::Activate(const QVariantMap& platformData)
{
    m_instance->handleActivate(platformData);
}

void SingleInstanceAdaptor::Open(const QStringList& uris, const QVariantMap& platformData)
{
    Q_UNUSED(uris);
    m_instance->handleActivate(platformData);
}
