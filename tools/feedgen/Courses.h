// The courses of the ten JRA venues: every distance a venue runs on turf, on dirt and over jumps,
// with the track code of the records and how often a race day uses it.
#pragma once

#include <cstdint>
#include <span>

namespace solvane::feedgen {

enum class Surface : std::uint8_t { Turf, Dirt, Jump };

struct Course {
    Surface surface;
    int distance;
    int track;        // track code of the RA record (10 straight, 11-22 turf, 23/24 dirt, 51-59 jumps)
    double morning;   // weight among the maidens of the morning
    double afternoon; // weight among the winners' classes and open races; 0 for a course only
                      // graded races use (the 3400 m of Tokyo, the 3600 m of Nakayama)
};

std::span<const Course> CoursesOf(int venue);

// The venue's course of that surface and distance, or nullptr when the venue has none.
const Course* FindCourse(int venue, Surface surface, int distance);

bool HasJumpCourse(int venue);

// The most runners a race of the course may have.
int MaxRunners(int venue, const Course& course);

} // namespace solvane::feedgen
