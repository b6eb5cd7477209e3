// libFuzzer entry: the input is a tank file's text. Reading it refuses with a message or gives a document that
// writes back to a text reading the same; its uncertainty section is read and checked without a crash.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "calc/catalogue.h"
#include "tank/tankfile.h"
#include "uncertainty/inputs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto read = tarvol::parseTankFile(text, "fuzz.tarvol");
    if (!read) {
        if (tarvol::tankFileErrorText(read.error()).empty())
            std::abort();
        return 0;
    }
    const auto again = tarvol::parseTankFile(tarvol::tankFileText(*read), "again.tarvol");
    if (!again || !(*again == *read))
        std::abort();
    if (const auto* section = read->section(tarvol::kUncertaintySection))
        if (const auto inputs = tarvol::inputsFromJson(*section))
            static_cast<void>(
                tarvol::checkInputs(*inputs, static_cast<int>(tarvol::shape(read->shape).captions.size())));
    return 0;
}
