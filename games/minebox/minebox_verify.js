// The mine burial replayed in the verify page, as the program buries: one draw per mine, the
// k-th of the boxes still without one, k from 1 to their number.
verifiers.minebox = async (draw, value, given, usage, faults, lines) => {
    const boxes = whole(value("boxes"), 0, 100000);
    if (boxes === null) return usage("箱子数量应是 0 到 100000"), false;
    const mines = whole(value("mines"), -2147483647, 2147483647);
    if (mines === null || mines >= boxes) return usage("地雷数量要比箱子少"), false;
    const listed = value("mine-boxes");
    const claimed = listed === "" ? [] : listed.split(",").map((n) => whole(n.trim(), 1, 100000));
    if (claimed.includes(null)) return usage("有雷的箱子写成 1,4 这样"), false;
    const candidates = [];
    for (let i = 1; i <= boxes; ++i) candidates.push(i);
    const placed = [];
    for (let j = 1; j <= mines; ++j) {
        const k = await draw(1, candidates.length);
        placed.push(candidates.splice(k - 1, 1)[0]);
    }
    const shown_boxes = placed.sort((a, b) => a - b).join(",");
    lines.push("有雷的箱子 " + (shown_boxes || "没有"));
    if (given("mine-boxes") || listed !== "") {
        const sorted = claimed.slice().sort((a, b) => a - b).join(",");
        if (sorted !== shown_boxes) faults.push("有雷的箱子不符：算出来是 " + (shown_boxes || "没有"));
    }
    return true;
};
