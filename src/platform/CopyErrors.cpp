#include "CopyErrors.h"

#include "ErrorNumbers.h"

#include <cerrno>

namespace platform {

namespace {

struct CopyMapping
{
    CopyStep step;
    int from;
    int to;
};

using enum CopyStep;

// clang-format off
constexpr CopyMapping kCopyTable[] = {
    // The source: gone, or the medium is not readable.
    {Source, ENOENT, err::FileNotFound},           {Source, ENOTDIR, err::FileNotFound},
    {Source, EISDIR, err::FileNotFound},           {Source, ELOOP, err::FileNotFound},
    {Source, ENAMETOOLONG, err::FileNotFound},     {Source, ENOMEDIUM, err::DiskNotReady},
    {Source, EIO, err::DiskNotReady},              {Source, ENXIO, err::DeviceUnavailable},
    {Source, ENODEV, err::DeviceUnavailable},      {Source, ENOTCONN, err::DeviceUnavailable},
    {Source, ESTALE, err::DeviceUnavailable},
    // The folder a copied folder goes into: taken, or not allowed here.
    {TargetFolder, EEXIST, err::PathFileAccess},   {TargetFolder, EACCES, err::PathFileAccess},
    {TargetFolder, EPERM, err::PathFileAccess},    {TargetFolder, EMLINK, err::PathFileAccess},
    {TargetFolder, ENOENT, err::PathNotFound},     {TargetFolder, ENOTDIR, err::PathNotFound},
    {TargetFolder, EROFS, err::PathNotFound},      {TargetFolder, ENOSPC, err::PathNotFound},
    {TargetFolder, EDQUOT, err::PathNotFound},     {TargetFolder, ENAMETOOLONG, err::PathNotFound},
    // A copied file: its folder is missing, or it cannot be written there.
    {Target, ENOENT, err::PathNotFound},           {Target, ENOTDIR, err::PathNotFound},
    {Target, EACCES, err::PathNotFound},           {Target, EPERM, err::PathNotFound},
    {Target, EROFS, err::PathNotFound},            {Target, ENOSPC, err::PathNotFound},
    {Target, EDQUOT, err::PathNotFound},           {Target, EFBIG, err::PathNotFound},
    {Target, EISDIR, err::PathNotFound},           {Target, ETXTBSY, err::PathNotFound},
    {Target, ENAMETOOLONG, err::PathNotFound},
};
// clang-format on

} // namespace

int copyErrorNumber(CopyStep step, int errnoValue)
{
    for (const auto& m : kCopyTable)
        if (m.step == step && m.from == errnoValue)
            return m.to;
    return errorFromErrno(errnoValue);
}

} // namespace platform
