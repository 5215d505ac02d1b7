#pragma once

#include <QValidator>

namespace vorad {

// Lets into a text box only what the settings file and the summary sheet can hold (Latin-1,
// no control characters); the callsign box also upper-cases a to z.
class TextFilter : public QValidator
{
public:
    TextFilter(bool upper, QObject* parent)
        : QValidator(parent)
        , m_upper(upper)
    { }

    State validate(QString& input, int& pos) const override;

private:
    bool m_upper;
};

} // namespace vorad
