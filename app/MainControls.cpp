#include "MainControls.h"

#include <QLabel>

namespace vorad {

QLabel* PlacedLabel(
    QWidget* parent, const char* name, const QString& text, const QPoint& at, const QFont& font)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(font);
    l->move(at);
    l->adjustSize();
    return l;
}

} // namespace vorad
