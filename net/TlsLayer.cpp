#include "TlsLayer.h"

#include <QFileInfo>
#include <QLibrary>

namespace vorad {

std::unique_ptr<TlsLayer> LoadTlsLayer(ByteStream& socket, QString* error)
{
    // Beside the program, found without asking the application object (tools have none).
    QLibrary module(
        QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QStringLiteral("/vorad_tls"));
    using Make = TlsLayer* (*)(ByteStream&);
    // The module stays loaded for the run: a layer made from it may live as long.
    if (auto make = reinterpret_cast<Make>(module.resolve("vorad_make_tls")))
        return std::unique_ptr<TlsLayer>(make(socket));
    if (error)
        *error = module.errorString();
    return nullptr;
}

} // namespace vorad
