#pragma once

class FileChoosers;
class Messages;

// What the windows use to talk to the user, handed in so that a test can answer instead.
struct Services {
    Messages& messages;
    FileChoosers& choosers;
};
