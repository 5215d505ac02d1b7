#include "Fonts.h"

#include <QFont>

namespace vorad {

void InstallFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
    QFont::insertSubstitution(
        QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"));
    QFont::insertSubstitution(QStringLiteral("Arial Black"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Impact"), QStringLiteral("Liberation Sans Narrow"));
    QFont::insertSubstitution(QStringLiteral("Terminal"), QStringLiteral("DejaVu Sans Mono"));
}

QString DesignFamily(const QString& family, const QStringList& installed)
{
    if (installed.contains(family, Qt::CaseInsensitive))
        return family;
    for (const QString& substitute : QFont::substitutes(family)) {
        if (installed.contains(substitute, Qt::CaseInsensitive))
            return substitute;
    }
    return family;
}

} // namespace vorad
