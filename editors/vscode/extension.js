// Starts `tav --debug-adapter` for launch configurations of type "tav"; the program is the
// setting tav.program (default: tav on PATH).
'use strict';
const vscode = require('vscode');

function activate(context) {
  context.subscriptions.push(
    vscode.debug.registerDebugAdapterDescriptorFactory('tav', {
      createDebugAdapterDescriptor() {
        const program = vscode.workspace.getConfiguration('tav').get('program') || 'tav';
        return new vscode.DebugAdapterExecutable(program, ['--debug-adapter']);
      },
    }));
}

function deactivate() {}

module.exports = { activate, deactivate };
