#include "TlsLayer.h"

#include <QFileInfo>
#include <QLibrary>

namespace vorad {

std::unique_ptr<TlsLayer> LoadTlsLayer(ByteStream& socket, QString* error)
{
    // Beside the program, found without asking the application object (tools have none).
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    QLibrary module(folder + QStringLiteral("/vorad_tls"));
    using Make = TlsLayer* (*)(ByteStream&);
    // The module stays loaded for the run: a layer made from it may live as long.
    if (auto make = reinterpret_cast<Make>(module.resolve("vorad_make_tls")))
        return std::unique_ptr<TlsLayer>(make(socket));
    // One status line: the loader's own text names the path twice.
    if (error && !QFileInfo::exists(folder + QStringLiteral("/libvorad_tls.so")))
        *error = QStringLiteral("libvorad_tls.so is missing beside the program; install it again");
    else if (error)
        *error = QStringLiteral("libvorad_tls.so could not be loaded (%1); install OpenSSL 3")
                     .arg(module.errorString().section(QStringLiteral(": "), -1).left(80));
    return nullptr;
}

} // namespace vorad
