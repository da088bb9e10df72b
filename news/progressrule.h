#pragma once

// What a load's progress report does to the progress bar: a report of no
// progress yet, or of an unknown or trivial total (the closing report of a
// load among them), hides it; any other shows it at the share done.
struct ProgressStep {
    bool visible = false;
    int position = 0;  // 0..100, meaningful only when visible
};

ProgressStep progressStep(int progress, int progressMax);
