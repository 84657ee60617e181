#pragma once

#include <juce_core/juce_core.h>

/** Held for the length of an update pass: while it lives, no other pass, of this program
    or another, sends to the same output. */
struct OutputClaim
{
    enum class Standing
    {
        held, // no other pass sends to the output while this claim lives
        busy, // another pass holds the output
        unavailable // the system would not give a lock: no one can tell whether the output is free
    };

    explicit OutputClaim(Standing s = Standing::held, juce::String why = {})
        : standing(s)
        , problem(std::move(why))
    {
    }

    virtual ~OutputClaim() = default;

    Standing getStanding() const noexcept { return standing; }
    bool isHeld() const noexcept { return standing == Standing::held; }

    /** Why an unavailable lock could not be taken, as the system told it; empty otherwise. */
    const juce::String& getProblem() const noexcept { return problem; }

protected:
    Standing standing;
    juce::String problem;
};
