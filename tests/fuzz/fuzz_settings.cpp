// The settings file as start-up reads it, and the station file "QZ.INI".
#include "ContestSettings.h"
#include "ProfileFile.h"
#include "StartupRules.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    using namespace vorad;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    ProfileFile profile;
    profile.parse(bytes);
    ContestSettings settings;
    QStringList errors;
    ReadContestSettings(profile, DateTimeForms(), settings, &errors);
    ReadEmailSettings(profile, settings, &errors);
    profile.serialise();
    const OverrideFile station = ParseOverrideFile(bytes);
    station.conversionError();
    return 0;
}
