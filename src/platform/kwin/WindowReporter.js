// The KWin script of Hoverdeck: reports every window to the program as it changes, over D-Bus,
// and carries out the program's commands. The program fills in its own bus name for one run.
var service = "@SERVICE@";
var path = "@PATH@";
var iface = "@INTERFACE@";
var ownPid = @PID@;

// Where Plasma 5 and Plasma 6 differ, told apart by what the workspace offers.
var plasma6 = typeof workspace.windowList === "function";
var api = {
  windows: function () {
    return plasma6 ? workspace.windowList() : workspace.clientList();
  },
  added: plasma6 ? workspace.windowAdded : workspace.clientAdded,
  removed: plasma6 ? workspace.windowRemoved : workspace.clientRemoved,
  desktopSignals: plasma6 ? ["desktopsChanged"] : ["desktopChanged", "desktopPresenceChanged"],
  onCurrentDesktop: function (w) {
    if (w.onAllDesktops) return true;
    if (!plasma6) return w.desktop === workspace.currentDesktop;
    var current = workspace.currentDesktop;
    return w.desktops.some(function (d) { return d.id === current.id; });
  },
};

// The bits of the facts' flags, as the program reads them.
var LISTED = 1, HAS_PARENT = 2, SHOWN = 4, KEEP_ABOVE = 8, CLOSEABLE = 16;

var byId = {};
var sent = {};

function idOf(w) {
  return String(w.internalId);
}

// Windows no person would pick from a list: the desktop, panels, popups, on-screen displays.
function passedOver(w) {
  return !!(w.desktopWindow || w.dock || w.popupWindow || w.outline || w.onScreenDisplay ||
            w.notification || w.criticalNotification || w.appletPopup || w.tooltip ||
            w.dropdownMenu || w.popupMenu || w.comboBox || w.dndIcon || w.managed === false);
}

function flagsOf(w) {
  return (passedOver(w) ? 0 : LISTED) | (w.transient ? HAS_PARENT : 0) |
         (api.onCurrentDesktop(w) ? SHOWN : 0) | (w.keepAbove ? KEEP_ABOVE : 0) |
         (w.closeable ? CLOSEABLE : 0);
}

// Sends the window's facts when they differ from what was sent last.
function report(w) {
  var id = idOf(w);
  if (!byId[id]) return;
  var caption = String(w.caption);
  var flags = flagsOf(w);
  var xid = w.windowId || 0;
  var app = String(w.resourceClass || "");
  var facts = flags + " " + xid + " " + app + " " + caption;
  if (sent[id] === facts) return;
  sent[id] = facts;
  callDBus(service, path, iface, "Window", id, caption, flags, w.pid || 0, xid, app);
}

// The windows from the bottom of the stacking order up.
function sendStacking() {
  var all = [];
  for (var id in byId) all.push(byId[id]);
  all.sort(function (a, b) { return a.stackingOrder - b.stackingOrder; });
  callDBus(service, path, iface, "Stacking", all.map(idOf).join(" "));
}
// Many windows change places at once when one is raised: their new order goes out once.
var stackingTimer = new QTimer();
stackingTimer.singleShot = true;
stackingTimer.interval = 0;
stackingTimer.timeout.connect(sendStacking);
function restack() {
  if (!stackingTimer.active) stackingTimer.start();
}

function watch(w) {
  var id = idOf(w);
  if (byId[id]) return;
  byId[id] = w;
  var changed = function () { report(w); };
  ["captionChanged", "keepAboveChanged", "closeableChanged", "transientChanged"]
      .concat(api.desktopSignals)
      .forEach(function (name) {
        if (w[name]) w[name].connect(changed);
      });
  w.stackingOrderChanged.connect(restack);
  report(w);
  restack();
}

function forget(w) {
  var id = idOf(w);
  if (!byId[id]) return;
  delete byId[id];
  delete sent[id];
  callDBus(service, path, iface, "Gone", id);
  restack();
}

// The program's commands, each a name, a window and a value; anything else is ignored.
function carryOut(command, id, value) {
  if (command === "reportAll") {
    for (var each in byId) report(byId[each]);
    return;
  }
  var w = byId[id];
  if (!w) return;
  if (command === "keepAbove") {
    w.keepAbove = value === true;
  } else if (command === "report") {
    // KWin 6.3 changes some facts (closeable by a rule, on native windows) without a signal.
    report(w);
  }
}

// The program holds each call until it has a command (or for a while, when it has none); the
// answer is carried out and the next call made. A call that went unanswered is made again.
var pollSince = 0;
function poll() {
  pollSince = Date.now();
  callDBus(service, path, iface, "Poll", function (command, id, value) {
    pollSince = 0;
    carryOut(command, id, value);
    poll();
  });
}
var pollWatch = new QTimer();
pollWatch.interval = 30000;
pollWatch.timeout.connect(function () {
  if (pollSince === 0 || Date.now() - pollSince > 30000) poll();
});

// The program's key combination. KWin's shortcut service holds its keys: the program sets them,
// and the user may change them in System Settings > Shortcuts. A press switches keep-above of
// the active window (a dialog's owner for a dialog; never the program's own window, the desktop
// or a panel) and tells the program.
registerShortcut("hoverdeck-topmost", "Hoverdeck: keep the active window above", "", function () {
  var w = plasma6 ? workspace.activeWindow : workspace.activeClient;
  for (var i = 0; w && w.transient && w.transientFor && i < 16; ++i) w = w.transientFor;
  if (!w || passedOver(w) || w.specialWindow || w.pid === ownPid) return;
  var wanted = !w.keepAbove;
  w.keepAbove = wanted;
  callDBus(service, path, iface, "Switched", idOf(w), String(w.caption), wanted,
           w.keepAbove === wanted);
});

api.added.connect(watch);
api.removed.connect(forget);
workspace.currentDesktopChanged.connect(function () {
  for (var id in byId) report(byId[id]);
});
api.windows().forEach(watch);
stackingTimer.stop();
sendStacking();
callDBus(service, path, iface, "Ready");
poll();
pollWatch.start();
