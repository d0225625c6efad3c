// The update description "mainappupdate.inf" as the update site serves it.
#include "FuzzSupport.h"

#include "update/UpdateDescription.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const float offered = input.ConsumeFloatingPoint<float>();
    const QByteArray description = vo::fuzz::restOf(input);

    const QByteArray versionText = vo::DescriptionVersionText(description);
    const float version = vo::serverVersionOf(versionText);
    FUZZ_CHECK(std::isfinite(version));
    FUZZ_CHECK(vo::IsNewerThanProgram(versionText) == (2.01 < double(version)));
    if (versionText.isEmpty() || versionText.contains(','))
        FUZZ_CHECK(version == 0.0f);

    // A version the site writes with "." reads back as that number.
    if (std::isfinite(offered)) {
        const QByteArray written = QByteArray::number(double(offered), 'f', 2);
        const QByteArray file = "[APPLICATION]\r\nVersion=" + written + "\r\n";
        FUZZ_CHECK(vo::serverVersionOf(vo::DescriptionVersionText(file)) == written.toFloat());
    }
    return 0;
}
