// Hoverdeck's window reporter inside GNOME Shell: while Hoverdeck runs (owns its bus name), every
// window a person can pick is reported to it as it changes; its two commands (above on and off)
// are taken from it alone. While Hoverdeck does not run, only its bus name is watched.
const BUS_NAME = 'org.example.Hoverdeck';
const REPORTS_PATH = '/GnomeWindows';
const REPORTS_IFACE = 'org.example.Hoverdeck.GnomeWindows';
const COMMANDS_PATH = '/org/example/Hoverdeck/Shell';
const COMMANDS_XML = `<node><interface name="org.example.Hoverdeck.Shell">
  <method name="SetAbove"><arg type="s" direction="in"/><arg type="b" direction="in"/></method>
  <method name="Rect"><arg type="s" direction="in"/><arg type="(iiii)" direction="out"/></method>
  <method name="Hold"><arg type="s" direction="in"/><arg type="s" direction="out"/></method>
  <method name="Release"/>
</interface></node>`;

// The bits of a window's flags, as the program reads them.
const LISTED = 1, HAS_PARENT = 2, SHOWN = 4, ABOVE = 8, CLOSEABLE = 16, MINIMIZED = 32,
    XWAYLAND = 64;
// Hoverdeck's key combination in GTK's spelling: modifiers and one key, and nothing else.
const ACCELERATOR = new RegExp('^(<(Control|Alt|Shift|Super)>)+([A-Za-z0-9]|F[1-9][0-9]?|space|' +
    'Insert|Delete|Home|End|Page_Up|Page_Down|Left|Up|Right|Down)$');
const WINDOW_SIGNALS = ['notify::title', 'notify::above', 'notify::minimized',
    'notify::on-all-workspaces', 'workspace-changed'];

class WindowReporter {
    enable() {
        this._commands = Gio.DBusExportedObject.wrapJSObject(COMMANDS_XML, this);
        this._commands.export(Gio.DBus.session, COMMANDS_PATH);
        this._action = 0;
        this._pressed = global.display.connect('accelerator-activated', (display, action) => {
            if (action === this._action)
                this._switchFocused();
        });
        this._watch = Gio.bus_watch_name(Gio.BusType.SESSION, BUS_NAME,
            Gio.BusNameWatcherFlags.NONE,
            (connection, name, owner) => this._start(owner),
            () => this._stop(false));
    }

    disable() {
        Gio.bus_unwatch_name(this._watch);
        global.display.disconnect(this._pressed);
        this._stop(true);
        this._commands.unexport();
        this._commands = null;
    }

    _call(method, signature, values) {
        Gio.DBus.session.call(this._owner, REPORTS_PATH, REPORTS_IFACE, method,
            signature ? new GLib.Variant(signature, values) : null, null,
            Gio.DBusCallFlags.NO_AUTO_START, -1, null, (connection, result) => {
                try {
                    connection.call_finish(result);
                } catch (e) {
                    // Hoverdeck has just gone: its bus name's watch says so next.
                }
            });
    }

    // Hoverdeck came: every window is followed from now on.
    _start(owner) {
        this._stop(false);
        this._owner = owner;
        this._windows = new Map();
        this._sent = new Map();
        this._sentOrder = null;
        this._ownerPid = 0;
        Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus',
            'org.freedesktop.DBus', 'GetConnectionUnixProcessID', new GLib.Variant('(s)', [owner]),
            null, Gio.DBusCallFlags.NONE, -1, null, (connection, result) => {
                try {
                    [this._ownerPid] = connection.call_finish(result).deep_unpack();
                } catch (e) {
                    // Hoverdeck has just gone.
                }
            });
        const display = global.display;
        const workspaces = global.workspace_manager;
        this._globalSignals = [
            [display, display.connect('window-created', (d, w) => this._follow(w))],
            [display, display.connect('restacked', () => this._restack())],
            [workspaces, workspaces.connect('active-workspace-changed', () => this._reportAll())],
        ];
        for (const actor of global.get_window_actors())
            this._follow(actor.meta_window);
        this._sendStacking();
        this._call('Ready', null);
    }

    // Hoverdeck went, or the extension is being turned off (then Hoverdeck is told).
    _stop(tell) {
        this._release();
        if (!this._owner)
            return;
        if (this._stackingIdle)
            GLib.source_remove(this._stackingIdle);
        this._stackingIdle = 0;
        for (const [object, id] of this._globalSignals)
            object.disconnect(id);
        for (const [window, ids] of this._windows)
            ids.forEach(id => window.disconnect(id));
        if (tell)
            this._call('Stopped', null);
        this._owner = null;
        this._windows = null;
    }

    _follow(window) {
        if (this._windows.has(window) || window.is_override_redirect())
            return;
        const ids = WINDOW_SIGNALS.map(name => window.connect(name, () => this._report(window)));
        ids.push(window.connect('unmanaged', () => this._forget(window)));
        this._windows.set(window, ids);
        this._report(window);
        this._restack();
    }

    _forget(window) {
        const ids = this._windows.get(window);
        if (!ids)
            return;
        ids.forEach(id => window.disconnect(id));
        this._windows.delete(window);
        const id = String(window.get_id());
        this._sent.delete(id);
        this._call('Gone', '(s)', [id]);
        this._restack();
    }

    _flags(window) {
        const type = window.get_window_type();
        const listed = type === Meta.WindowType.NORMAL || type === Meta.WindowType.DIALOG ||
            type === Meta.WindowType.MODAL_DIALOG;
        const workspace = global.workspace_manager.get_active_workspace();
        return (listed ? LISTED : 0) | (window.get_transient_for() ? HAS_PARENT : 0) |
            (window.located_on_workspace(workspace) ? SHOWN : 0) |
            (window.is_above() ? ABOVE : 0) | (window.can_close() ? CLOSEABLE : 0) |
            (window.minimized ? MINIMIZED : 0) |
            (window.get_client_type() === Meta.WindowClientType.X11 ? XWAYLAND : 0);
    }

    // The X window of an XWayland window, which the shell describes as "0x..." (43.9 and 48.7 do);
    // 0 when unknown, and the program looks for it by process and caption.
    _xid(window) {
        if (window.get_client_type() !== Meta.WindowClientType.X11)
            return 0;
        const match = /^0x([0-9a-f]+)/i.exec(window.get_description() || '');
        return match ? parseInt(match[1], 16) : 0;
    }

    // Sends the window's facts when they differ from what was sent last.
    _report(window) {
        const id = String(window.get_id());
        const values = [id, window.get_title() || '', this._flags(window), window.get_pid() || 0,
            this._xid(window)];
        const facts = values.join(' ');
        if (this._sent.get(id) === facts)
            return;
        this._sent.set(id, facts);
        this._call('Window', '(ssuuu)', values);
    }

    _reportAll() {
        for (const window of this._windows.keys())
            this._report(window);
    }

    // Many windows change places at once when one is raised: their new order goes out once.
    _restack() {
        if (!this._stackingIdle) {
            this._stackingIdle = GLib.idle_add(GLib.PRIORITY_DEFAULT, () => {
                this._stackingIdle = 0;
                this._sendStacking();
                return GLib.SOURCE_REMOVE;
            });
        }
    }

    _sendStacking() {
        if (!this._owner)
            return;
        const sorted = global.display.sort_windows_by_stacking([...this._windows.keys()]);
        const order = sorted.map(w => String(w.get_id())).join(' ');
        if (order === this._sentOrder)
            return;
        this._sentOrder = order;
        this._call('Stacking', '(s)', [order]);
    }

    // Whether the call comes from Hoverdeck; otherwise it is answered with an error.
    _fromOwner(invocation) {
        if (this._owner && invocation.get_sender() === this._owner)
            return true;
        invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied', '');
        return false;
    }

    // The window Hoverdeck names, when the call comes from Hoverdeck; otherwise an error.
    _commanded(invocation, id) {
        if (!this._fromOwner(invocation))
            return null;
        for (const window of this._windows.keys()) {
            if (String(window.get_id()) === id)
                return window;
        }
        invocation.return_dbus_error('org.freedesktop.DBus.Error.InvalidArgs', 'no such window');
        return null;
    }

    SetAboveAsync([id, above], invocation) {
        const window = this._commanded(invocation, id);
        if (!window)
            return;
        if (above)
            window.make_above();
        else
            window.unmake_above();
        invocation.return_value(null);
    }

    RectAsync([id], invocation) {
        const window = this._commanded(invocation, id);
        if (!window)
            return;
        const r = window.get_frame_rect();
        invocation.return_value(new GLib.Variant('((iiii))', [[r.x, r.y, r.width, r.height]]));
    }

    // Takes the combination for Hoverdeck: "held", "taken" (the shell or another program has
    // it) or "unavailable" (not a combination Hoverdeck may ask for).
    HoldAsync([accelerator], invocation) {
        if (!this._fromOwner(invocation))
            return;
        this._release();
        let answer = 'unavailable';
        if (ACCELERATOR.test(accelerator)) {
            const action = global.display.grab_accelerator(accelerator, Meta.KeyBindingFlags.NONE);
            answer = action === Meta.KeyBindingAction.NONE ? 'taken' : 'held';
            if (answer === 'held') {
                this._action = action;
                this._binding = Meta.external_binding_name_for_action(action);
                Main.wm.allowKeybinding(this._binding, Shell.ActionMode.NORMAL);
            }
        }
        invocation.return_value(new GLib.Variant('(s)', [answer]));
    }

    ReleaseAsync(parameters, invocation) {
        if (!this._fromOwner(invocation))
            return;
        this._release();
        invocation.return_value(null);
    }

    _release() {
        if (!this._action)
            return;
        global.display.ungrab_accelerator(this._action);
        Main.wm.allowKeybinding(this._binding, Shell.ActionMode.NONE);
        this._action = 0;
    }

    // A press: the focused window (a dialog's owner for a dialog), unless it is Hoverdeck's own,
    // the desktop or a panel, goes above or no longer, and Hoverdeck is told.
    _switchFocused() {
        let window = global.display.focus_window;
        for (let i = 0; window && window.get_transient_for() && i < 16; i++)
            window = window.get_transient_for();
        if (!this._owner || !window || !(this._flags(window) & LISTED) ||
            window.get_pid() === this._ownerPid)
            return;
        const above = !window.is_above();
        if (above)
            window.make_above();
        else
            window.unmake_above();
        this._call('Switched', '(ssbb)', [String(window.get_id()), window.get_title() || '', above,
            window.is_above() === above]);
    }
}
