#pragma once
// The weight-variation criterion of the analysis, shared by the analysis and
// by the report's chart: how far, in per cent, a capsule may lie from the mean
// of its formula — 10 % under a mean of 300, 7.5 % from 300 on.

constexpr double weightVariationLimit(double mean)
{
    return mean >= 300 ? 7.5 : 10;
}
