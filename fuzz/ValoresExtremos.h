#pragma once

// Numbers and sizes for the chart geometry targets, biased towards the values that break
// arithmetic: NaN, infinities, the largest and smallest doubles, negative and zero values, and
// sizes at the limits of int.

#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <limits>

namespace fuzz {

inline double ValorExtremo(FuzzedDataProvider& dados) {
    using L = std::numeric_limits<double>;
    static constexpr double kEspeciais[] = {0.0,
                                            -0.0,
                                            1.0,
                                            -1.0,
                                            0.5,
                                            99.99,
                                            1234.5,
                                            1e15,
                                            1e300,
                                            -1e300,
                                            L::max(),
                                            L::lowest(),
                                            L::min(),
                                            L::denorm_min(),
                                            L::infinity(),
                                            -L::infinity(),
                                            L::quiet_NaN(),
                                            2147483648.0,
                                            -2147483649.0};
    switch (dados.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return dados.PickValueInArray(kEspeciais);
        case 1:  // any bit pattern: every NaN, denormal and magnitude
            return std::bit_cast<double>(dados.ConsumeIntegral<std::uint64_t>());
        case 2:
            return static_cast<double>(dados.ConsumeIntegralInRange<int>(-1000, 100000)) / 100.0;
        default:
            return dados.ConsumeFloatingPoint<double>();
    }
}

inline int TamanhoExtremo(FuzzedDataProvider& dados) {
    static constexpr int kEspeciais[] = {INT_MIN, INT_MIN + 1, -1,  0,   1,           39,
                                         40,      41,          60,  61,  89,          90,
                                         91,      100,         101, 140, INT_MAX - 1, INT_MAX};
    switch (dados.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:
            return dados.PickValueInArray(kEspeciais);
        case 1:
            return dados.ConsumeIntegralInRange<int>(-10, 3000);
        default:
            return dados.ConsumeIntegral<int>();
    }
}

}  // namespace fuzz
