"""The spawn-node file of the town "Modern": where the population pool puts
its cars on the road.

The pool lays a grid of 32 x 32 square sectors of 87.5 units over the
ground, from (-1400, -1400) to (1400, 1400); sector k is row k // 32 (along
z) and column k % 32 (along x). While the camera is in a sector, the pool
spawns cars only at that sector's road spawn nodes, and only at nodes more
than about 109.5 units from the camera; a car it spawns is recycled once it
is 200 units from the camera. So a sector lists the lane nodes of the road
graph (roads.py) that lie 120 to 185 units from its centre: far enough that
the car appears out of the player's way, near enough to stay in play.

Each listed node spawns its cars along each of its links in turn, facing
the next node. The file is derived from the road graph alone, so it follows
any change to the roads.
"""

import math

import roads

SPAWN_NODE_SCRIPT = "Scripts/Levels/ModernSpawnNodes.txt"

COLUMNS = 32
ROWS = 32
CELL_SIZE = 87.5
ORIGIN = -1400.0
NEAREST = 120.0
FARTHEST = 185.0

HEADER = f"""\
; The spawn nodes of the town "Modern", where pooled cars appear. Generated
; by tools/content/spawn_nodes.py from the road graph (roads.py): change
; those and rebuild rather than this file.
;
;   Sector <id>                    ; exactly {COLUMNS * ROWS} blocks; block k fills sector k,
;                                  ; row k / {COLUMNS} (along z), column k mod {COLUMNS} (along x),
;                                  ; {CELL_SIZE:g} units square from ({ORIGIN:g}, {ORIGIN:g})
;   RoadSpawnNode Node <id>        ; any number under a sector
;       Pos <x> <y> <z>
;       Delay <seconds>            ; between two cars; 10 when absent
;       Target <road node index>   ; any number of pairs: a car faces the target
;       Orientation <16 numbers>   ; the car's placement, row by row: right, up,
;                                  ; forward, position
;
; Rule: a sector lists every road node that has a link and lies {NEAREST:g} to
; {FARTHEST:g} units (horizontally) from the sector's centre, in the road-node
; file's order, with one pair per link.
"""


def fixed(value):
    text = f"{value:.4f}"
    return "0.0000" if text == "-0.0000" else text


def sector_centre(sector):
    row, column = divmod(sector, COLUMNS)
    return ORIGIN + (column + 0.5) * CELL_SIZE, ORIGIN + (row + 0.5) * CELL_SIZE


def node_position(graph, index):
    """The node as the road-node file writes it: rounded to three decimals."""
    x, z = graph.positions[index]
    return round(x, 3), round(z, 3)


def in_band(graph, index, centre):
    x, z = node_position(graph, index)
    return NEAREST <= math.hypot(x - centre[0], z - centre[1]) <= FARTHEST


def orientation(graph, index, target):
    x, z = node_position(graph, index)
    tx, tz = node_position(graph, target)
    length = math.hypot(tx - x, tz - z)
    fx, fz = (tx - x) / length, (tz - z) / length
    rows = [(fz, 0.0, -fx, 0.0), (0.0, 1.0, 0.0, 0.0), (fx, 0.0, fz, 0.0), (x, 0.0, z, 1.0)]
    return " ".join(fixed(value) for row in rows for value in row)


def spawn_node(graph, index):
    x, z = node_position(graph, index)
    lines = [f"    RoadSpawnNode Node {index}", f"        Pos {fixed(x)} {fixed(0.0)} {fixed(z)}"]
    for target in graph.links[index]:
        lines.append(f"        Target {target}")
        lines.append(f"        Orientation {orientation(graph, index, target)}")
    return lines


def spawn_nodes():
    graph, _ = roads.build_roads()
    lines = [HEADER]
    for sector in range(COLUMNS * ROWS):
        lines.append(f"Sector {sector}")
        centre = sector_centre(sector)
        for index in range(len(graph.positions)):
            if graph.links[index] and in_band(graph, index, centre):
                lines += spawn_node(graph, index)
    return ("\n".join(lines) + "\n").encode("ascii")


ASSETS = {
    SPAWN_NODE_SCRIPT: spawn_nodes,
}
