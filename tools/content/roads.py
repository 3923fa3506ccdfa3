"""The road and sidewalk graphs of the town "Modern" and its traffic light.

The town lies on the terrain's square at x 270..490, z 80..300: a loop of
roads around x 290..470, z 100..280 with two roads across it meeting at
(380, 190), the one four-way crossing. A road leaves the loop's south-west
corner (290, 100) southward along x = 290 to z = -60, turns west along
z = -60 and ends in the start area at x = -20.

Traffic keeps to the right: each road is two one-way lanes 3 units either
side of its centre line, with nodes at most 30 apart. A lane stops 10 units
short of a junction (the stop line, before the pedestrian crossing) and
starts 10 units beyond it; at the junction every lane coming in links to
every lane going out on another road. The lanes end at the start area's
dead end, where they turn round.

Sidewalks run 7 units beside every road and meet at the corners of each
junction; all their links are two-way. Pedestrians cross the roads only at
the four-way crossing.
"""

import math

ROAD_NODE_SCRIPT = "Scripts/Levels/ModernRoadNodes.txt"
SIDEWALK_NODE_SCRIPT = "Scripts/Levels/ModernSidewalkNodes.txt"
TRAFFIC_LIGHT_SCRIPT = "Scripts/Levels/ModernTrafficLights.txt"

JUNCTIONS = {
    "sw": (290, 100), "s": (380, 100), "se": (470, 100),
    "e": (470, 190), "ne": (470, 280), "n": (380, 280),
    "nw": (290, 280), "w": (290, 190), "cross": (380, 190),
    "bend": (290, -60), "start": (-20, -60),
}
ROADS = [
    ("sw", "s"), ("s", "se"), ("se", "e"), ("e", "ne"), ("ne", "n"), ("n", "nw"),
    ("nw", "w"), ("w", "sw"), ("s", "cross"), ("cross", "n"), ("w", "cross"),
    ("cross", "e"), ("sw", "bend"), ("bend", "start"),
]
CROSSING = "cross"

LANE_OFFSET = 3.0
SIDEWALK_OFFSET = 7.0
STOP_LINE = 10.0
MAX_SPACING = 30.0
SLOW_SPEED = 20
SLOW_ZONE = 40.0  # lanes into the crossing are slow this close to it
LIGHT_GROUP_SECONDS = 10


def number(value):
    value = round(value, 3)
    return f"{value:g}" if value != 0 else "0"


def direction(a, b):
    (ax, az), (bx, bz) = JUNCTIONS[a], JUNCTIONS[b]
    length = math.hypot(bx - ax, bz - az)
    return (bx - ax) / length, (bz - az) / length, length


def degree(junction):
    return sum(junction in road for road in ROADS)


def subdivide(start, end):
    """Points from start to end, both included, at most MAX_SPACING apart."""
    length = math.hypot(end[0] - start[0], end[1] - start[1])
    parts = max(1, math.ceil(length / MAX_SPACING - 1e-9))
    return [(start[0] + (end[0] - start[0]) * i / parts, start[1] + (end[1] - start[1]) * i / parts)
            for i in range(parts + 1)]


class Graph:
    def __init__(self):
        self.positions = []
        self.extras = []
        self.links = []

    def add(self, position, extra=None):
        self.positions.append(position)
        self.extras.append(extra)
        self.links.append([])
        return len(self.positions) - 1

    def link(self, a, b):
        if b not in self.links[a]:
            self.links[a].append(b)


def build_roads():
    """The lane graph, and per lane (from, to) its node indices in order."""
    graph = Graph()
    lanes = {}
    for a, b in ROADS:
        for source, target in ((a, b), (b, a)):
            dx, dz, length = direction(source, target)
            right = (dz, -dx)  # right-hand traffic, seen from above with z to the north
            near = STOP_LINE if degree(source) > 1 else 0.0
            far = STOP_LINE if degree(target) > 1 else 0.0
            sx, sz = JUNCTIONS[source]
            start = (sx + dx * near + right[0] * LANE_OFFSET, sz + dz * near + right[1] * LANE_OFFSET)
            end = (sx + dx * (length - far) + right[0] * LANE_OFFSET,
                   sz + dz * (length - far) + right[1] * LANE_OFFSET)
            tx, tz = JUNCTIONS[target]
            nodes = []
            for point in subdivide(start, end):
                slow = target == CROSSING and math.hypot(point[0] - tx, point[1] - tz) < SLOW_ZONE
                nodes.append(graph.add(point, SLOW_SPEED if slow else None))
            for first, second in zip(nodes, nodes[1:]):
                graph.link(first, second)
            lanes[(source, target)] = nodes
    for junction in JUNCTIONS:
        incoming = [lane for lane in lanes if lane[1] == junction]
        outgoing = [lane for lane in lanes if lane[0] == junction]
        for lane_in in incoming:
            for lane_out in outgoing:
                # Turning round only where the road ends.
                if lane_out[1] == lane_in[0] and degree(junction) > 1:
                    continue
                graph.link(lanes[lane_in][-1], lanes[lane_out][0])
    return graph, lanes


def sorted_roads(junction):
    """The roads leaving a junction, counter-clockwise from +x."""
    others = [b if a == junction else a for a, b in ROADS if junction in (a, b)]
    return sorted(others, key=lambda other: math.atan2(direction(junction, other)[1],
                                                       direction(junction, other)[0]) % (2 * math.pi))


def corner_point(junction, first, second):
    """The sidewalk corner in the sector turning counter-clockwise from road first to road second."""
    jx, jz = JUNCTIONS[junction]
    ax, az, _ = direction(junction, first)
    bx, bz, _ = direction(junction, second)
    sector = (math.atan2(bz, bx) - math.atan2(az, ax)) % (2 * math.pi)
    half = sector / 2
    bisector = (ax * math.cos(half) - az * math.sin(half), ax * math.sin(half) + az * math.cos(half))
    reach = SIDEWALK_OFFSET / math.sin(half)
    return jx + bisector[0] * reach, jz + bisector[1] * reach


def build_sidewalks():
    graph = Graph()
    # corners[junction][road] = (the corner counter-clockwise of the road, the one clockwise)
    corners = {}
    for junction in JUNCTIONS:
        roads = sorted_roads(junction)
        corners[junction] = {}
        if len(roads) == 1:
            dx, dz, _ = direction(junction, roads[0])
            jx, jz = JUNCTIONS[junction]
            left = graph.add((jx - dz * SIDEWALK_OFFSET, jz + dx * SIDEWALK_OFFSET))
            right = graph.add((jx + dz * SIDEWALK_OFFSET, jz - dx * SIDEWALK_OFFSET))
            graph.link(left, right)
            graph.link(right, left)
            corners[junction][roads[0]] = (left, right)
            continue
        sector_nodes = [graph.add(corner_point(junction, roads[i], roads[(i + 1) % len(roads)]))
                        for i in range(len(roads))]
        for i, road in enumerate(roads):
            corners[junction][road] = (sector_nodes[i], sector_nodes[i - 1])
        if junction == CROSSING:
            for i, node in enumerate(sector_nodes):
                other = sector_nodes[(i + 1) % len(sector_nodes)]
                graph.link(node, other)
                graph.link(other, node)
    for a, b in ROADS:
        # The left side of a -> b is counter-clockwise of the road at a and clockwise of it at b.
        for at_a, at_b in ((corners[a][b][0], corners[b][a][1]), (corners[a][b][1], corners[b][a][0])):
            points = subdivide(graph.positions[at_a], graph.positions[at_b])
            chain = [at_a] + [graph.add(point) for point in points[1:-1]] + [at_b]
            for first, second in zip(chain, chain[1:]):
                graph.link(first, second)
                graph.link(second, first)
    return graph


ROAD_HEADER = """\
; The road graph of the town "Modern", which traffic drives. Generated by
; tools/content/roads.py: change that and rebuild rather than this file.
;
;   NumberOfNodes <n>             ; 0 loads nothing
;   RoadNode <label>              ; a node's index is its place in this file, from 0
;       Position <x> <y> <z>
;       Speed <miles per hour>    ; 30 when absent
;       NumberOfConnections <k>
;       ConnectedNodes <k indices of the nodes a car may drive on to>
;
; Links are one-way; lanes keep to the right of the road.
"""

SIDEWALK_HEADER = """\
; The sidewalk graph of the town "Modern", which pedestrians walk. Generated
; by tools/content/roads.py: change that and rebuild rather than this file.
;
;   NumberOfNodes <n>             ; 0 loads nothing
;   SidewalkNode <label>          ; a node's index is its place in this file, from 0
;       Position <x> <y> <z>
;       NumberOfConnections <k>
;       ConnectedNodes <k indices of the nodes a pedestrian may walk on to>
;
; Every link is given from both of its nodes.
"""

LIGHT_HEADER = """\
; The traffic lights of the town "Modern". Generated by tools/content/roads.py
; with the road graph, whose node indices it names.
;
;   NumberOfLights <n>
;   ; each light:
;   Position <x> <y> <z>
;   NumberOfLightGroups <m>
;   ; each group, green in turn in this order:
;   Group <label>
;   NumNodesInGroup <k>
;   ConnectedNodes <k road-node indices: the stop lines it governs>
;   TimeForLightChange <seconds of green; the last 2 are amber>
"""


def node_script(header, keyword, graph, extra_keyword=None):
    lines = [header, f"NumberOfNodes {len(graph.positions)}", ""]
    for index, ((x, z), extra, links) in enumerate(zip(graph.positions, graph.extras, graph.links)):
        lines.append(f"{keyword} {index}")
        lines.append(f"    Position {number(x)} 0 {number(z)}")
        if extra is not None:
            lines.append(f"    {extra_keyword} {extra}")
        lines.append(f"    NumberOfConnections {len(links)}")
        if links:
            lines.append("    ConnectedNodes " + " ".join(str(link) for link in links))
    return ("\n".join(lines) + "\n").encode("ascii")


def road_nodes():
    graph, _ = build_roads()
    return node_script(ROAD_HEADER, "RoadNode", graph, "Speed")


def sidewalk_nodes():
    return node_script(SIDEWALK_HEADER, "SidewalkNode", build_sidewalks())


def traffic_lights():
    _, lanes = build_roads()
    x, z = JUNCTIONS[CROSSING]
    # North-south first: the lanes along x = 380; then east-west along z = 190.
    groups = [[lanes[("s", CROSSING)][-1], lanes[("n", CROSSING)][-1]],
              [lanes[("w", CROSSING)][-1], lanes[("e", CROSSING)][-1]]]
    lines = [LIGHT_HEADER, "NumberOfLights 1", "", f"Position {number(x)} 0 {number(z)}",
             f"NumberOfLightGroups {len(groups)}"]
    for index, nodes in enumerate(groups):
        lines += [f"    Group {index}", f"    NumNodesInGroup {len(nodes)}",
                  "    ConnectedNodes " + " ".join(str(node) for node in nodes),
                  f"    TimeForLightChange {LIGHT_GROUP_SECONDS}"]
    return ("\n".join(lines) + "\n").encode("ascii")


ASSETS = {
    ROAD_NODE_SCRIPT: road_nodes,
    SIDEWALK_NODE_SCRIPT: sidewalk_nodes,
    TRAFFIC_LIGHT_SCRIPT: traffic_lights,
}
