// The INI reader on arbitrary bytes, then the reads and writes the settings make: whatever the
// file holds, a value written must read back, and the document must survive its own save form.
#include "FuzzFile.h"
#include "IniFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray path = WriteFuzzInput(data, size, "ini");
    if (path.isEmpty()) return 0;
    IniFile ini(QString::fromLatin1(path));
    if (!ini.load()) return 0;
    ini.value(QStringLiteral("Main"), QStringLiteral("Color"), QStringLiteral("0"));
    if (ini.setValue(QStringLiteral("Main"), QStringLiteral("Volume"), QStringLiteral("42")) &&
        ini.value(QStringLiteral("main"), QStringLiteral("VOLUME")) != QStringLiteral("42"))
        std::abort();
    const QByteArray saved = ini.toBytes();
    const QByteArray again = WriteFuzzInput(reinterpret_cast<const std::uint8_t*>(saved.constData()),
                                            std::size_t(saved.size()), "ini");
    IniFile reread{QString::fromLatin1(again)};
    if (saved.size() <= IniFile::kMaxFileBytes && reread.load() &&
        reread.value(QStringLiteral("Main"), QStringLiteral("Volume")) != QStringLiteral("42"))
        std::abort();
    return 0;
}
