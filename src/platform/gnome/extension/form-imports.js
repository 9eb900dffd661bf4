// Hoverdeck's extension for GNOME Shell 42 to 44, which load extensions through `imports`.
const {Gio, GLib, Meta} = imports.gi;

//@BODY@

function init() {
    return new WindowReporter();
}
