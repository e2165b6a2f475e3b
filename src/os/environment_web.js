// Linked before the web build's programs (--pre-js): under node, the program sees the real
// process environment (XDG_DATA_HOME, HOME, TAV_FONT_DIR ...), as the native program does, instead
// of the few made-up variables the runtime gives it; so the command-line build keeps its saves
// where the native build keeps them. A page has no process environment and keeps the defaults.
Module["preRun"] = Module["preRun"] || [];
Module["preRun"].push(function() {
  if (typeof process === "object" && process.env) {
    for (var name in process.env) ENV[name] = process.env[name];
  }
});
