#include "ui/Resources.h"

#include <QIcon>
#include <QString>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterVeilkeepResources() {
    Q_INIT_RESOURCE(veilkeep);
}

namespace vk {

void InitResources() {
    static const bool registered = (RegisterVeilkeepResources(), true);
    (void)registered;
}

QIcon ImageIcon(const char* imageName) {
    InitResources();
    return QIcon(QStringLiteral(":/images/") + QString::fromUtf8(imageName) + QStringLiteral(".svg"));
}

} // namespace vk
