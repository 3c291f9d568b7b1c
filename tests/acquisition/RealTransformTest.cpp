#include "acquisition/RealTransform.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <random>

// The four steps and the unpacking give the bins of the transform's definition.
TEST(SpectrumTransform, IsTheDiscreteFourierTransform) {
    for (std::size_t count : {4, 16, 30, 250, 1350, 2048}) {
        std::mt19937 random(3);
        std::normal_distribution<double> gauss;
        std::vector<double> samples(count);
        for (double& sample : samples) sample = gauss(random);
        std::vector<std::complex<double>> bins = RealTransform(samples.data(), count);
        ASSERT_EQ(bins.size(), count / 2 + 1);
        for (std::size_t k = 0; k < bins.size(); ++k) {
            std::complex<double> sum;
            for (std::size_t n = 0; n < count; ++n)
                sum += samples[n] * std::polar(1.0, -2 * std::numbers::pi * double(k * n % count) /
                                                        double(count));
            EXPECT_LT(std::abs(bins[k] - sum), 1e-12 * double(count)) << count << " bin " << k;
        }
    }
}
