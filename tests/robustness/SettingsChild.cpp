// The writing child of the settings kill test: writes COUNT keys ("Key000"...) one after the
// other, each to VALUE_PREFIX, the key's number and padding, into the store the configuration
// folder of its environment names.

#include "platform/Settings.h"

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) return 1;
    const int count = std::atoi(argv[1]);
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    for (int i = 0; i < count; ++i) {
        platform::WriteSetting(QStringLiteral("Key%1").arg(i, 3, 10, QLatin1Char('0')),
                               prefix + QString::number(i) + QString(2000, u'.'));
    }
    return 0;
}
