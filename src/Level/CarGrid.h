#pragma once
// The sector grid that streams the level's placed cars. A car stands in the
// cell of its start position and is owned by the grid: clearing the grid
// deletes it. Cars placed by missions go to the overflow cell, which the
// viewer never activates.

#include <list>

#include "Actors/Car.h"
#include "Level/SectorGrid.h"

struct CCarGridKind {
    typedef CCar Entry;
    typedef std::list<CCar*> ActiveList;
    static const char* const INVALID_SPACE_WARNING;
    static const char* const UPDATE_STEP;
    // Physics at the start matrix, whole again, into the active list.
    static void EnterWorld(CCar* car, ActiveList& active);
    static void Dispose(CCar* car);
};

class CCarGrid : public CSectorGrid<CCarGridKind> {
public:
    // The grid's cars are recycled nearer than the cars' own default.
    static constexpr float RECYCLE_DISTANCE = 537.5f;

    // Into the cell of the car's start position (or the overflow cell).
    void Insert(CCar* car);
    void AddToOverflow(CCar* car);
};
