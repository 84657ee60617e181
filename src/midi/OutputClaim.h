#pragma once

/** Held for the length of an update pass: while it lives, no other pass, of this program
    or another, sends to the same output. */
struct OutputClaim
{
    virtual ~OutputClaim() = default;
};
