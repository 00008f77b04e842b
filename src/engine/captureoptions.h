#pragma once

// How a page is to be captured, beyond its address and time-out: what the user
// asked for in the settings' [capture] section or on the command line.
struct CaptureOptions
{
    // The upper bound, in seconds, of the wait for the page to be still before it is
    // captured (fonts loaded, the network quiet, the layout unchanged between two
    // frames); 0 captures at once, as a view is captured as it stands.
    int settleSeconds = 60;
};
