#include "FuzzBodies.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lodestar::fuzz::Cida({data, size});
    return 0;
}
