#include "feedgen/Courses.h"

#include <array>

namespace solvane::feedgen {

namespace {

using enum Surface;

// Distances and track codes of JRA's course guide (turf inner/outer courses as the races use them);
// the weights follow how often JRA's programmes run each distance: dirt 1200/1700/1800 and turf
// 1200/1600/1800/2000 every day, the long distances a few times a meeting.
constexpr Course kSapporo[] = {
    {Turf, 1200, 17, 3, 3},   {Turf, 1500, 17, 1.5, 1},     {Turf, 1800, 17, 2, 2},      {Turf, 2000, 17, 1.5, 2},
    {Turf, 2600, 17, 0, 0.5}, {Dirt, 1000, 24, 1.25, 1.25}, {Dirt, 1700, 24, 3.5, 3.75}, {Dirt, 2400, 24, 0, 0.25},
};
constexpr Course kHakodate[] = {
    {Turf, 1200, 17, 3, 3},       {Turf, 1800, 17, 2, 2},      {Turf, 2000, 17, 1.5, 1.5}, {Turf, 2600, 17, 0, 0.4},
    {Dirt, 1000, 24, 1.25, 1.25}, {Dirt, 1700, 24, 3.5, 3.75}, {Dirt, 2400, 24, 0, 0.25},
};
constexpr Course kFukushima[] = {
    {Turf, 1200, 17, 3, 3},      {Turf, 1800, 17, 2, 2},      {Turf, 2000, 17, 1.5, 2},  {Turf, 2600, 17, 0.2, 0.5},
    {Dirt, 1150, 24, 2.25, 2.5}, {Dirt, 1700, 24, 3.5, 3.75}, {Dirt, 2400, 24, 0, 0.25}, {Jump, 2750, 54, 3, 1},
    {Jump, 2770, 54, 1, 1},      {Jump, 3380, 58, 0, 1},
};
constexpr Course kNiigata[] = {
    {Turf, 1000, 10, 1, 1},      {Turf, 1200, 11, 1.5, 1.5},  {Turf, 1400, 11, 1, 1},     {Turf, 1600, 12, 1.5, 1.5},
    {Turf, 1800, 12, 2, 2},      {Turf, 2000, 11, 1, 1},      {Turf, 2200, 11, 0.5, 0.5}, {Turf, 2400, 11, 0.2, 0.3},
    {Dirt, 1200, 23, 3.5, 3.75}, {Dirt, 1800, 23, 3.5, 3.75}, {Dirt, 2500, 23, 0, 0.25},  {Jump, 2850, 54, 3, 1},
    {Jump, 2890, 54, 1, 1},      {Jump, 3250, 54, 0, 1},
};
constexpr Course kTokyo[] = {
    {Turf, 1400, 11, 2, 2},      {Turf, 1600, 11, 2.5, 2.5},  {Turf, 1800, 11, 2, 2},      {Turf, 2000, 11, 1.5, 1.5},
    {Turf, 2300, 11, 0.2, 0.3},  {Turf, 2400, 11, 1, 1.5},    {Turf, 2500, 11, 0, 0.2},    {Turf, 3400, 11, 0, 0},
    {Dirt, 1300, 23, 1.25, 0.5}, {Dirt, 1400, 23, 3.5, 3.75}, {Dirt, 1600, 23, 3.5, 3.75}, {Dirt, 2100, 23, 1.25, 2.5},
    {Jump, 3000, 52, 3, 1},      {Jump, 3110, 52, 0, 1},
};
constexpr Course kNakayama[] = {
    {Turf, 1200, 18, 2, 2},     {Turf, 1600, 18, 2, 2},   {Turf, 1800, 17, 1.5, 1.5}, {Turf, 2000, 17, 2, 1.5},
    {Turf, 2200, 18, 0.3, 0.8}, {Turf, 2500, 17, 0, 0.6}, {Turf, 3600, 21, 0, 0},     {Dirt, 1200, 24, 3.75, 3.5},
    {Dirt, 1800, 24, 5, 4.5},   {Dirt, 2400, 24, 0, 0.5}, {Jump, 2880, 51, 3, 1},     {Jump, 3200, 51, 0, 1},
    {Jump, 3350, 51, 0, 0.5},   {Jump, 4100, 51, 0, 0},   {Jump, 4250, 51, 0, 0},
};
constexpr Course kChukyo[] = {
    {Turf, 1200, 11, 1.5, 1.5}, {Turf, 1400, 11, 1.5, 1.5},   {Turf, 1600, 11, 1.5, 1.5}, {Turf, 2000, 11, 2, 2},
    {Turf, 2200, 11, 0.5, 1},   {Turf, 3000, 11, 0, 0},       {Dirt, 1200, 23, 3, 2.5},   {Dirt, 1400, 23, 2.25, 2.5},
    {Dirt, 1800, 23, 4, 3.75},  {Dirt, 1900, 23, 0.25, 1.25}, {Jump, 3000, 54, 3, 1},     {Jump, 3300, 54, 0, 1},
};
constexpr Course kKyoto[] = {
    {Turf, 1200, 17, 1.5, 1.5},   {Turf, 1400, 18, 1.5, 1.5},  {Turf, 1600, 18, 2, 2},      {Turf, 1800, 18, 2, 2},
    {Turf, 2000, 17, 2, 1.5},     {Turf, 2200, 18, 0.5, 1},    {Turf, 2400, 18, 0.2, 1},    {Turf, 3000, 18, 0, 0.1},
    {Turf, 3200, 20, 0, 0},       {Dirt, 1200, 24, 3.5, 3.75}, {Dirt, 1400, 24, 2.25, 2.5}, {Dirt, 1800, 24, 4, 3.75},
    {Dirt, 1900, 24, 0.25, 1.25}, {Jump, 2910, 54, 3, 1},      {Jump, 3170, 54, 0, 1},      {Jump, 3930, 55, 0, 0},
};
constexpr Course kHanshin[] = {
    {Turf, 1200, 17, 1.5, 1.5}, {Turf, 1400, 17, 1.5, 1.5},  {Turf, 1600, 18, 2, 2},      {Turf, 1800, 18, 2, 2},
    {Turf, 2000, 17, 2, 1.5},   {Turf, 2200, 17, 0.5, 1},    {Turf, 2400, 18, 0.3, 1},    {Turf, 2600, 18, 0, 0.2},
    {Turf, 3000, 17, 0, 0.1},   {Dirt, 1200, 24, 3.5, 3.75}, {Dirt, 1400, 24, 2.25, 2.5}, {Dirt, 1800, 24, 4.5, 4.5},
    {Dirt, 2000, 24, 0.25, 1},  {Jump, 2970, 54, 3, 1},      {Jump, 3140, 54, 0, 1},      {Jump, 3900, 59, 0, 0},
};
constexpr Course kKokura[] = {
    {Turf, 1200, 17, 3, 3},    {Turf, 1800, 17, 2, 2},   {Turf, 2000, 17, 1.5, 1.5}, {Turf, 2600, 17, 0.2, 0.4},
    {Dirt, 1000, 24, 1.75, 2}, {Dirt, 1700, 24, 4, 4.5}, {Jump, 2860, 54, 3, 1},     {Jump, 3390, 58, 0, 1},
};

constexpr std::array<std::span<const Course>, 10> kCourses = {kSapporo,  kHakodate, kFukushima, kNiigata, kTokyo,
                                                              kNakayama, kChukyo,   kKyoto,     kHanshin, kKokura};

} // namespace

std::span<const Course> CoursesOf(int venue)
{
    return kCourses[static_cast<std::size_t>((venue >= 1 && venue <= 10 ? venue : 5) - 1)];
}

const Course* FindCourse(int venue, Surface surface, int distance)
{
    for (const Course& c : CoursesOf(venue))
        if (c.surface == surface && c.distance == distance)
            return &c;
    return nullptr;
}

bool HasJumpCourse(int venue)
{
    for (const Course& c : CoursesOf(venue))
        if (c.surface == Jump)
            return true;
    return false;
}

int MaxRunners(int venue, const Course& c)
{
    // The small northern tracks and Fukushima take sixteen, jumps fourteen; Nakayama's 2500 m and
    // 3600 m start near a turn and take sixteen too.
    if (c.surface == Jump)
        return 14;
    if (venue <= 3)
        return 16;
    if (venue == 6 && c.surface == Turf && c.distance >= 2500)
        return 16;
    return 18;
}

} // namespace solvane::feedgen
