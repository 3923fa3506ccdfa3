#pragma once
// The frame that the car grid and the object grid share: 16 x 16 square
// cells of 175 units from (-1400, -1400) on x and z, plus an overflow cell
// for what lies outside (or what missions place there). Every update marks
// a block of cells around the viewer active; a cell that was not active in
// the previous update hands its entries to the kind's "enter the world"
// step. The grid owns its entries: Clear hands each to the kind's disposal
// step.
//
// A kind is a class with:
//   typedef ... Entry;       // what a cell holds pointers to
//   typedef ... ActiveList;  // what entering the world appends to
//   static const char* const INVALID_SPACE_WARNING;  // logged on overflow
//   static const char* const UPDATE_STEP;            // the update's name in a step trace
//   static void EnterWorld(Entry* entry, ActiveList& active);
//   static void Dispose(Entry* entry);
// EnterWorld runs for every entry of a newly active cell and itself skips
// what is already in the world.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Core/Log.h"
#include "Core/StepTrace.h"
#include "platform/d3dx8/D3DX8Math.h"

template <class Kind>
class CSectorGrid {
public:
    typedef typename Kind::Entry Entry;
    typedef typename Kind::ActiveList ActiveList;

    enum {
        WIDTH = 16,
        HEIGHT = 16,
        CELL_COUNT = WIDTH * HEIGHT,
        OVERFLOW_CELL = CELL_COUNT,
        // Activation covers this many cells below the viewer's and one fewer above.
        ACTIVATION_RADIUS = 2,
    };
    static constexpr float CELL_SIZE_X = 175.0f;
    static constexpr float CELL_SIZE_Z = 175.0f;
    static constexpr float ORIGIN_X = -1400.0f;
    static constexpr float ORIGIN_Z = -1400.0f;

    struct Cell {
        std::vector<Entry*> m_Entries;
        uint8_t m_WasActive = 0; // active in the previous update
        uint8_t m_Active = 0;    // marked in this update
    };

    CSectorGrid() : m_Cells(CELL_COUNT + 1) {}
    ~CSectorGrid() { Clear(); }
    CSectorGrid(const CSectorGrid&) = delete;
    CSectorGrid& operator=(const CSectorGrid&) = delete;

    // Into the cell of `position`, or the overflow cell with the kind's
    // warning when the position lies outside the grid.
    void InsertAt(const D3DXVECTOR3& position, Entry* entry)
    {
        int column = 0;
        int row = 0;
        if (!CellOf(position, column, row)) {
            g_Log.Write(Kind::INVALID_SPACE_WARNING);
            AddToOverflow(entry);
            return;
        }
        m_Cells[CellIndex(column, row)].m_Entries.push_back(entry);
    }

    void AddToOverflow(Entry* entry) { m_Cells[OVERFLOW_CELL].m_Entries.push_back(entry); }
    // Takes one overflow entry of `entry` out, not disposing of it; false
    // when there is none.
    bool RemoveFromOverflow(Entry* entry)
    {
        std::vector<Entry*>& entries = m_Cells[OVERFLOW_CELL].m_Entries;
        const auto found = std::find(entries.begin(), entries.end(), entry);
        if (found == entries.end())
            return false;
        entries.erase(found);
        return true;
    }

    // The 4 x 4 block about the viewer's cell (two cells below it, one above,
    // clipped to the grid) becomes active; then every cell's activity moves
    // into its was-active byte.
    void Update(const D3DXVECTOR3& viewer, ActiveList& active)
    {
        TraceStep(Kind::UPDATE_STEP);
        int column = 0;
        int row = 0;
        if (BlockAround(viewer, column, row)) {
            for (int c = ClampLow(column - ACTIVATION_RADIUS); c < ClampHigh(column + ACTIVATION_RADIUS, WIDTH); ++c)
                for (int r = ClampLow(row - ACTIVATION_RADIUS); r < ClampHigh(row + ACTIVATION_RADIUS, HEIGHT); ++r)
                    Activate(c, r, active);
        }
        for (int cell = 0; cell < CELL_COUNT; ++cell) {
            m_Cells[cell].m_WasActive = m_Cells[cell].m_Active;
            m_Cells[cell].m_Active = 0;
        }
    }

    // An entry put into a cell that was active in the last update enters the
    // world now: that cell's activation has passed it by.
    void EnterIfActive(Entry* entry, ActiveList& active)
    {
        for (int cell = 0; cell < CELL_COUNT; ++cell) {
            const std::vector<Entry*>& entries = m_Cells[cell].m_Entries;
            if (std::find(entries.begin(), entries.end(), entry) == entries.end())
                continue;
            if (m_Cells[cell].m_WasActive)
                Kind::EnterWorld(entry, active);
            return;
        }
    }

    // Every entry, the overflow cell's too, goes to the kind's disposal.
    void Clear()
    {
        for (Cell& cell : m_Cells) {
            for (Entry* entry : cell.m_Entries)
                Kind::Dispose(entry);
            cell.m_Entries.clear();
            cell.m_WasActive = 0;
            cell.m_Active = 0;
        }
    }

    // The cell holding `position`; false outside the grid. Positions are
    // compared before they are converted, so a far or non-finite one is
    // simply outside.
    static bool CellOf(const D3DXVECTOR3& position, int& column, int& row)
    {
        const float x = (position.x - ORIGIN_X) / CELL_SIZE_X;
        const float z = (position.z - ORIGIN_Z) / CELL_SIZE_Z;
        // Quotients between -1 and 0 truncate to 0: that sliver lies in the first cell.
        if (!(x > -1.0f && x < WIDTH && z > -1.0f && z < HEIGHT))
            return false;
        column = static_cast<int>(x);
        row = static_cast<int>(z);
        return true;
    }

    static int CellIndex(int column, int row) { return row * WIDTH + column; }

    const Cell& GetCell(int index) const { return m_Cells[index]; }
    const Cell& GetOverflowCell() const { return m_Cells[OVERFLOW_CELL]; }

private:
    // The viewer's (unclipped) cell, when its block touches the grid at all.
    static bool BlockAround(const D3DXVECTOR3& viewer, int& column, int& row)
    {
        const float x = (viewer.x - ORIGIN_X) / CELL_SIZE_X;
        const float z = (viewer.z - ORIGIN_Z) / CELL_SIZE_Z;
        const float low = -static_cast<float>(ACTIVATION_RADIUS);
        if (!(x > low && x < WIDTH + ACTIVATION_RADIUS && z > low && z < HEIGHT + ACTIVATION_RADIUS))
            return false;
        column = static_cast<int>(x);
        row = static_cast<int>(z);
        return true;
    }

    static int ClampLow(int value) { return value < 0 ? 0 : value; }
    static int ClampHigh(int value, int size) { return value > size ? size : value; }

    void Activate(int column, int row, ActiveList& active)
    {
        Cell& cell = m_Cells[CellIndex(column, row)];
        cell.m_Active = 1;
        if (cell.m_WasActive)
            return;
        for (Entry* entry : cell.m_Entries)
            Kind::EnterWorld(entry, active);
    }

    // The grid row by row, then the overflow cell.
    std::vector<Cell> m_Cells;
};
