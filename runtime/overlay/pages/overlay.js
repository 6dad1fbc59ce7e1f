// Shows the program's state: what /api/state gives at once, then every change the
// WebSocket pushes. The page keeps nothing of its own; texts go in as text, never markup.
"use strict";
const overlay = {
    shown_revision: -1,
    set_text(id, text) {
        const node = document.getElementById(id);
        if (node) node.textContent = text == null ? "" : String(text);
    },
    show(id, visible) {
        const node = document.getElementById(id);
        if (node) node.classList.toggle("hidden", !visible);
    },
    start(render) {
        const accept = (state) => {
            if (!state || typeof state.revision !== "number") return;
            if (state.revision < overlay.shown_revision) return;
            overlay.shown_revision = state.revision;
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
            socket.onclose = () => {
                overlay.shown_revision = -1;
                setTimeout(connect, 1000);
            };
        };
        connect();
    },
};
