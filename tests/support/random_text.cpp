#include "random_text.h"

namespace zx_test {

std::string RandomText(std::mt19937& rng, const std::vector<std::string>& pieces, int maxParts, int rawOneIn) {
    std::string text;
    const int parts = static_cast<int>(rng() % static_cast<unsigned>(maxParts));
    for (int i = 0; i < parts; ++i) {
        if (rng() % static_cast<unsigned>(rawOneIn) == 0)
            text += static_cast<char>(rng() % 256);
        else
            text += pieces[rng() % pieces.size()];
    }
    return text;
}

}  // namespace zx_test
