#include "host/frame.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using MQO::Frame;

TEST(Frame, PointsAreTurnedAndScaledAndDirectionsOnlyTurned)
{
    Frame const frame(2.0);
    EXPECT_EQ(frame.point(1, 2, 3), (std::array<double, 3>{2, -6, 4}));
    float const n[3] = {1, 2, 3};
    EXPECT_EQ(Frame::direction(n), (std::array<float, 3>{1, -3, 2}));
    EXPECT_EQ(Frame().point(1, 2, 3), (std::array<double, 3>{1, -3, 2}));
}

// Each way of naming the document's axes (unit vectors, axis numbers, axis
// bits, per-axis values) must agree with where a point goes.
TEST(Frame, EveryFormOfAnAxisAgreesWithThePoints)
{
    Frame const frame;
    for (std::uint32_t axis = 0; axis < 3; ++axis) {
        double unit[3] = {0, 0, 0};
        unit[axis] = 1;
        std::array<double, 3> const image = frame.point(unit[0], unit[1], unit[2]);
        EXPECT_EQ(Frame::axes()[axis], image);
        long const host = Frame::axis(axis);
        EXPECT_EQ(std::abs(image[std::size_t(host)]), 1.0);
        std::array<bool, 3> const flags = Frame::axis_flags(1u << axis);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(flags[i], long(i) == host);
            EXPECT_EQ(Frame::per_host_axis(unit[0], unit[1], unit[2])[i], long(i) == host ? 1.0 : 0.0);
        }
    }
    EXPECT_EQ(Frame::axis_flags(7), (std::array<bool, 3>{true, true, true}));
}

}  // namespace
