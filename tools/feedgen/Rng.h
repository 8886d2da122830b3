// The generator's own random numbers: splitmix64 to seed, xoshiro256** to draw. Standard library
// distributions are avoided on purpose, since their output differs between library versions and a
// feed must be the same byte for byte for the same seed everywhere.
#pragma once

#include <cmath>
#include <cstdint>

namespace solvane::feedgen {

inline std::uint64_t SplitMix(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

// A seed derived from a parent seed and one more value (a date, a venue, a race number ...), so
// that every race draws from its own stream whatever else is generated around it.
inline std::uint64_t MixSeed(std::uint64_t seed, std::uint64_t value)
{
    std::uint64_t x = seed ^ (value * 0xd6e8feb86659fd93ULL + 0x632be59bd9b4e019ULL);
    return SplitMix(x);
}

class Rng {
public:
    explicit Rng(std::uint64_t seed)
    {
        std::uint64_t x = seed;
        for (auto& v : s_)
            v = SplitMix(x);
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    // [0, 1)
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // 0 .. n-1
    int below(int n) { return static_cast<int>((next() >> 33) % static_cast<std::uint64_t>(n)); }
    // lo .. hi inclusive
    int range(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(double p) { return uniform() < p; }
    double normal()
    {
        double u1 = uniform();
        if (u1 < 1e-300)
            u1 = 1e-300;
        const double u2 = uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(6.283185307179586 * u2);
    }
    // Index drawn with the given weights (any positive scale).
    template <typename Weights> int weighted(const Weights& w)
    {
        double total = 0;
        for (double x : w)
            total += x;
        double r = uniform() * total;
        int i = 0;
        for (double x : w) {
            if (r < x)
                return i;
            r -= x;
            ++i;
        }
        return i - 1;
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t s_[4];
};

} // namespace solvane::feedgen
