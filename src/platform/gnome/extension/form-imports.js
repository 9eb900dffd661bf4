// Hoverdeck's extension for GNOME Shell 42 to 44, which load extensions through `imports`.
const {Gio, GLib, Meta, Shell} = imports.gi;
const Main = imports.ui.main;

//@BODY@

function init() {
    return new WindowReporter();
}
