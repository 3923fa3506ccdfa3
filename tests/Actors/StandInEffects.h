#pragma once
// Effects for weapon and projectile tests, filed in the asset store without a
// display: the particle system "Burst" (five particles at once, each for half
// a second) and, under each name given, an effect that plays the burst and
// stops `stopSeconds` (as the script writes it, e.g. "1.0") after it starts.

#include <initializer_list>

void FileStandInEffects(std::initializer_list<const char*> names, const char* stopSeconds);
