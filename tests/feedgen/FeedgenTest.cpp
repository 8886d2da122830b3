#include <gtest/gtest.h>
TEST(Feedgen, Builds) {}
