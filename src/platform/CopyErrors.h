#pragma once

// Copying files back from their media fails in one of a few ways the user can
// act on; the retrieval dispatches on these numbers.
namespace platform {

// What the failing call was doing.
enum class CopyStep
{
    Source,       // reading the source drive: a file, or a folder's presence
    TargetFolder, // making the folder that receives a copied folder
    Target,       // writing a copied file into the target folder
};

// errno of a failed copy -> 53 (the source path is not there), 68 or 71 (the
// drive has no medium or does not work), 75 (the target folder exists or may
// not be made), 76 (the target cannot be written or its folder is missing);
// anything else the program's general number for it (errorFromErrno).
int copyErrorNumber(CopyStep step, int errnoValue);

} // namespace platform
