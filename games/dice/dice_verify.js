// The dice turn replayed in the verify page, as the program throws it: per throw the outcome
// (1 dragon/left wins, 2 tiger/right wins), then one of the 15 pairs of different faces, the
// higher to the winner.
verifiers.dice = async (draw, value, given, usage, faults, lines) => {
    // No turn of the game has more than 1000 throws; more would only keep the tab busy.
    const throws = whole(value("throws"), 1, 1000);
    if (throws === null) return usage("摇的次数应是 1 到 1000"), false;
    const winner = value("winner");
    if (winner && !["left", "right", "dragon", "tiger"].includes(winner)) {
        return usage("胜方应是 left 或 right"), false;
    }
    const faces = value("faces");
    if (faces && !/^[1-6]-[1-6]$/.test(faces)) return usage("点数应写成 龙-虎，如 5-2"), false;
    let outcome = 0;
    let thrown = [0, 0];
    for (let t = 0; t < throws; ++t) {
        outcome = await draw(1, 2);
        let k = await draw(1, 15);
        let low = 1;
        while (k > 6 - low) { k -= 6 - low; ++low; }
        const high = low + k;
        thrown = outcome === 2 ? [low, high] : [high, low];
    }
    const side = outcome === 1 ? "left" : "right";
    const shown_faces = thrown[0] + "-" + thrown[1];
    // In the page's words; the program puts them into the host's language with the rest.
    const named_side = side === "left" ? "龙（玩家一）" : "虎（玩家二）";
    lines.push("点数 " + shown_faces + "（龙 " + thrown[0] + " 点，虎 " + thrown[1] + " 点）");
    lines.push("胜方 " + named_side);
    const claimed_side = winner === "dragon" ? "left" : winner === "tiger" ? "right" : winner;
    if (claimed_side && claimed_side !== side) faults.push("胜方不符：算出来是 " + named_side);
    if (faces && faces !== shown_faces) faults.push("点数不符：算出来是 " + shown_faces);
    return true;
};
