// At a user's logon: where the organization's machine policy sets quick resume
// (HKLM\Software\Policies\Corvane\Velmora, QuickResume 1 or 0) and the user's record says otherwise, Velmora
// is started to bring the mode back ("ON /policy" or "OFF /policy"). Velmora is started by the literal path
// the package recorded where only administrators write (HKLM\Software\Corvane\Velmora, Program), and only
// from inside the machine's program folders: nothing the signed-in user controls chooses the program the
// highest-rights logon task starts. Without a policy nothing of this runs.
#pragma once

// True when Velmora was started; false when nothing was to be done or it could not be started.
bool BringModeBackToPolicy();
