#pragma once

// Seeded mutations of a file's bytes for tests and runs that feed damaged input to a reader:
// the same seed gives the same mutants on every machine.

#include <cstdint>
#include <string>

class ByteMutator {
public:
    explicit ByteMutator(uint32_t seed) : state_(seed ? seed : 1) {}

    // The next number of a 32-bit xorshift sequence.
    uint32_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    uint32_t below(uint32_t bound) { return bound == 0 ? 0 : next() % bound; }

    // The original with one to four damages of the kinds a disk, a transfer or an editor
    // leaves: a byte changed or flipped, bytes lost, repeated or inserted (markup characters
    // among them), or the end cut off.
    std::string mutate(const std::string& original) {
        std::string bytes = original;
        const uint32_t damages = 1 + below(4);
        for (uint32_t i = 0; i < damages && !bytes.empty(); ++i) {
            const size_t at = below(static_cast<uint32_t>(bytes.size()));
            const size_t span = 1 + below(static_cast<uint32_t>(bytes.size() - at < 64 ? bytes.size() - at : 64));
            switch (below(7)) {
            case 0: bytes[at] = static_cast<char>(next()); break;
            case 1: bytes[at] = static_cast<char>(bytes[at] ^ (1u << below(8))); break;
            case 2: bytes.erase(at, span); break;
            case 3: bytes.insert(at, bytes.substr(at, span)); break;
            case 4: {
                static const char kMarkup[] = "<>/&;\"'=![]?\x00\xC3\xFF";
                bytes.insert(at, 1, kMarkup[below(sizeof(kMarkup) - 1)]);
                break;
            }
            case 5: bytes.resize(at); break;
            default: {
                // A tag's name changed by one letter, as a hand edit does.
                const size_t lt = bytes.find('<', at);
                if (lt != std::string::npos && lt + 2 < bytes.size())
                    bytes[lt + 2] = static_cast<char>('a' + below(26));
                break;
            }
            }
        }
        return bytes;
    }

private:
    uint32_t state_;
};
