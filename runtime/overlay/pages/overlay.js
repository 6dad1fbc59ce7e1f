// Shows the program's state: what /api/state gives at once, then every change the
// WebSocket pushes. The page keeps nothing of its own; texts go in as text, never markup.
"use strict";
const overlay = {
    shown_revision: -1,
    // The look asked for in the address; every value is checked before it is used.
    options: null,
    // The panel's size before scaling, and the element that is scaled to the viewport.
    panel: null,

    // Defaults and the values each option may take. Anything else in the address is ignored.
    // The accent's default comes with the theme (overlay.css); "" means that one.
    defaults: { scale: 1, theme: "dark", accent: "", font: "sans", align: "left", grace: 5000 },
    themes: ["dark", "light", "none"],
    aligns: ["left", "center", "right"],
    // Only the faces the program's package installs, by a short name.
    fonts: {
        sans: '"Noto Sans CJK SC", sans-serif',
        serif: '"Noto Serif CJK SC", serif',
        kai: '"AR PL UKai CN", "Noto Serif CJK SC", serif',
        mono: '"Noto Sans Mono CJK SC", monospace',
    },
    // The parts each page can leave out with hide=, by game, as the games name them.
    parts: /*OVERLAY_PARTS*/{},

    // The options from a query string, each one its default unless it is exactly valid.
    parse_options(search, page) {
        const query = new URLSearchParams(search);
        const chosen = Object.assign({}, overlay.defaults);
        const number = (text, low, high) => {
            if (text === null || !/^\d+(\.\d+)?$/.test(text)) return null;
            const value = Number(text);
            return value >= low && value <= high ? value : null;
        };
        const scale = number(query.get("scale"), 0.25, 4);
        if (scale !== null) chosen.scale = scale;
        const theme = query.get("theme");
        if (overlay.themes.includes(theme)) chosen.theme = theme;
        // "#" must be written %23 in an address, so the colour may come without it.
        const accent = query.get("accent");
        if (accent !== null && /^#?([0-9a-fA-F]{3}|[0-9a-fA-F]{6})$/.test(accent)) {
            chosen.accent = (accent[0] === "#" ? "" : "#") + accent.toLowerCase();
        }
        const font = query.get("font");
        if (font !== null && Object.prototype.hasOwnProperty.call(overlay.fonts, font)) {
            chosen.font = font;
        }
        const align = query.get("align");
        if (overlay.aligns.includes(align)) chosen.align = align;
        const known = overlay.parts[page] || [];
        chosen.hide = String(query.get("hide") || "")
                          .split(",")
                          .filter((part) => known.includes(part));
        // How long a lost program keeps its last state on screen; shorter only for tests.
        const grace = number(query.get("grace"), 100, 5000);
        if (grace !== null) chosen.grace = grace;
        return chosen;
    },

    set_text(id, text) {
        const node = document.getElementById(id);
        if (node) node.textContent = text == null ? "" : String(text);
    },
    show(id, visible) {
        const node = document.getElementById(id);
        if (node) node.classList.toggle("hidden", !visible);
    },
    hidden(part) {
        return overlay.options.hide.includes(part);
    },

    // The biggest font, up to the element's own size, at which its text fits on one line.
    fit(node) {
        if (!node) return;
        node.style.fontSize = "";
        const full = parseFloat(getComputedStyle(node).fontSize) || 16;
        let size = full;
        if (node.clientWidth > 0 && node.scrollWidth > node.clientWidth) {
            size = Math.floor(full * node.clientWidth / node.scrollWidth);
            node.style.fontSize = size + "px";
            while (size > 6 && node.scrollWidth > node.clientWidth) {
                size -= 1;
                node.style.fontSize = size + "px";
            }
        }
    },

    // Scales the panel to the asked size, never beyond the viewport, and places it.
    place() {
        const panel = overlay.panel;
        if (!panel) return;
        document.querySelectorAll(".fit").forEach((node) => {
            if (node.offsetParent !== null) overlay.fit(node);
        });
        const margin = 8;
        const width = panel.offsetWidth;
        const height = panel.offsetHeight;
        if (width === 0 || height === 0) return;
        const factor = Math.min(overlay.options.scale, (innerWidth - 2 * margin) / width,
                                (innerHeight - 2 * margin) / height);
        const shown = width * factor;
        const left = overlay.options.align === "left"    ? margin
                     : overlay.options.align === "right" ? innerWidth - margin - shown
                                                         : (innerWidth - shown) / 2;
        panel.style.transform = "translate(" + left + "px, " + margin + "px) scale(" +
                                Math.max(factor, 0.01) + ")";
    },

    // Applies the checked options to the page: theme, accent, face and hidden parts.
    style_page(page) {
        overlay.options = overlay.parse_options(location.search, page);
        const body = document.body;
        body.classList.add("theme-" + overlay.options.theme);
        if (overlay.options.accent) body.style.setProperty("--accent", overlay.options.accent);
        body.style.setProperty("--face", overlay.fonts[overlay.options.font]);
        for (const part of overlay.options.hide) body.classList.add("hide-" + part);
    },

    // Runs render on every new state of a page of this game. A game that is not open, and a
    // program that has been gone for the grace time, leave the page fully transparent.
    start_page(page, render) {
        overlay.style_page(page);
        overlay.panel = document.getElementById("board");
        addEventListener("resize", overlay.place);
        if (document.fonts) document.fonts.ready.then(overlay.place);
        overlay.start((state) => {
            const game = state[page];
            const open = !!(game && typeof game === "object" && game.open === true);
            overlay.show("board", open);
            document.body.dataset.shown = open ? "open" : "closed";
            if (!open) return;
            try {
                render(game);
            } catch (e) {
                // A malformed state shows what it could; the next one draws afresh.
            }
            overlay.place();
        }, () => {
            overlay.show("board", false);
            document.body.dataset.shown = "gone";
        });
    },

    start(render, gone) {
        const grace = overlay.options ? overlay.options.grace : overlay.defaults.grace;
        let grace_timer = 0;
        const accept = (state) => {
            if (!state || typeof state !== "object" || typeof state.revision !== "number") return;
            if (state.revision < overlay.shown_revision) return;
            overlay.shown_revision = state.revision;
            clearTimeout(grace_timer);
            grace_timer = 0;
            render(state);
        };
        fetch("/api/state", { cache: "no-store" })
            .then((reply) => reply.json())
            .then(accept)
            .catch(() => {});
        const connect = () => {
            const socket = new WebSocket("ws://" + location.host + "/ws");
            socket.onmessage = (event) => {
                try { accept(JSON.parse(event.data)); } catch (e) { /* not a state */ }
            };
            // The program may restart; the page waits for it and picks up its state again.
            // A short outage keeps the last state on screen; a longer one clears it. It asks
            // again a few times within the grace, at most once a second.
            socket.onclose = () => {
                overlay.shown_revision = -1;
                if (gone && !grace_timer) {
                    grace_timer = setTimeout(() => {
                        grace_timer = 0;
                        gone();
                    }, grace);
                }
                setTimeout(connect, Math.min(1000, grace / 4));
            };
        };
        connect();
    },

    // Checked pieces of the state: what is not of the expected kind is left out.
    text_of(value) {
        return typeof value === "string" || typeof value === "number" ? String(value) : "";
    },
    hex_of(value) {
        return typeof value === "string" && /^[0-9a-f]{64}$/.test(value) ? value : "";
    },

    // The fairness line of a drawing game, from the state's "draw" (the commitment of the
    // draw to come, or under way) and "revealed" (the last draw, seed and phrase shown).
    // Before the next draw starts, both: the last one to check and the next one's promise;
    // once it is under way, its promise alone. Nothing that is not well formed is shown.
    // A draw is named a round (第N轮), or a turn (第N局) on a page whose turns are draws.
    fairness_text(game, unit = "round") {
        const object = (value) => value && typeof value === "object" && !Array.isArray(value)
                                      ? value : null;
        const draw = object(game && game.draw);
        const shown = object(game && game.revealed);
        const named = unit === "turn" ? "第%1局 " : "第%1轮 ";
        const round = (value) => Number.isInteger(value) && value >= 0 ? named.replace("%1", value) : "";
        const phrase = (value) => typeof value === "string" && value ? "  口令 " + value : "";
        const parts = [];
        const seed = shown ? overlay.hex_of(shown.seed) : "";
        const commitment = draw ? overlay.hex_of(draw.commitment) : "";
        const upcoming = !!draw && draw.phrase_open === true;
        if (seed && (upcoming || !commitment)) {
            parts.push(round(shown.round) + "种子 " + seed.slice(0, 12) + "…" + phrase(shown.phrase));
        }
        if (commitment) {
            parts.push(round(draw.round) + "承诺 " + commitment.slice(0, 12) + "…" +
                       (upcoming ? "" : phrase(draw.phrase)));
        }
        return parts.join("｜");
    },
};
