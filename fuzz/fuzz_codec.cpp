// libFuzzer entry shared by every reader: the target's codec name comes from the build.
#include "engine/codecs/codec.h"
#include "engine/pix_error.h"

#include <cstdint>
#include <cstdlib>

namespace {

const pix::Codec& target() {
    static const pix::Codec* codec = [] {
        for (const auto& c : pix::allCodecs())
            if (c->name() == QLatin1String(PIXENDRA_FUZZ_CODEC)) return c.get();
        std::abort(); // the build names a codec that does not exist
    }();
    return *codec;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const pix::Codec& codec = target();
    try {
        codec.probe({data, size});
        const pix::DecodedFile file = codec.read({data, size});
        // Whatever decodes must also encode again.
        if (codec.canWrite() && !file.pages.isEmpty()) codec.write(file.pages.mid(0, 1), {});
    } catch (const pix::PixError&) {
    }
    return 0;
}
