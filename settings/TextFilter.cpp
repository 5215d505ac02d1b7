#include "TextFilter.h"

namespace vorad {

QValidator::State TextFilter::validate(QString& input, int& pos) const
{
    QString kept;
    kept.reserve(input.size());
    for (qsizetype i = 0; i < input.size(); ++i) {
        QChar c = input.at(i);
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.unicode() > 0xff) {
            if (i < pos)
                --pos;
            continue;
        }
        if (m_upper && c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
        kept.append(c);
    }
    input = kept;
    pos = qBound(0, pos, static_cast<int>(input.size()));
    return Acceptable;
}

} // namespace vorad
