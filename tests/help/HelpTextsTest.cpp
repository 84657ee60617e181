// The help texts are the program's instructions for loading firmware: a lost blank or a
// "corrected" typo is a change the user sees. They are pinned here by digests worked out
// from the reference wording (with the maker's address www.orvane.example filled in),
// and by the features that tell the products apart.

#include <gtest/gtest.h>

#include "Sha256.h"
#include "help/HelpTexts.h"

namespace
{
std::string bytesOf(const juce::String& text)
{
    return text.toStdString();
}

std::string sha256Prefix(const juce::String& text)
{
    return testsupport::sha256Hex(bytesOf(text)).substr(0, 16);
}

juce::StringArray linesOf(const juce::String& text)
{
    // Splits at every line feed, so a text that ends with one has an empty last element.
    juce::StringArray lines;
    lines.addTokens(text, "\n", {});
    return lines;
}

// The last line of a text that ends with a single line feed.
juce::String lastLineOf(const juce::String& text)
{
    return text.dropLastCharacters(1).fromLastOccurrenceOf("\n", false, false);
}

struct NamedText
{
    const char* product;
    const juce::String& text;
    const char* sha256Prefix;
    int length;
    int lineFeeds;
};

const NamedText allTexts[] = {
    { "Tarnis", tarnisHelpText, "4310a22ed390e270", 1362, 22 },
    { "Ombrel", ombrelHelpText, "0473f07c677162ee", 1167, 22 },
    { "Corvex", corvexHelpText, "65dcb4e98b42f883", 1220, 21 },
    { "Velamor", velamorHelpText, "21f898a6db8a883f", 674, 13 },
    { "Quillon", quillonHelpText, "9de274fc0ce06757", 1175, 22 },
    { "bass amplifier", bassAmplifierHelpText, "c0b98ee9c21c30af", 1150, 22 },
    { "Harrow", harrowHelpText, "01ce12168f658ebb", 687, 14 },
};

const juce::String siteLineStart = "Please refer to ";
} // namespace

TEST(HelpTexts, DigestHelperMatchesTheStandardVectors)
{
    EXPECT_EQ(testsupport::sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(testsupport::sha256Hex("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(testsupport::sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(HelpTexts, VelamorTextIsTheLoadProcedureCharacterForCharacter)
{
    const auto& text = velamorHelpText;

    EXPECT_EQ(text.length(), 674);
    EXPECT_EQ(bytesOf(text).size(), 674u);
    EXPECT_EQ(linesOf(text).size() - 1, 13);
    EXPECT_EQ(sha256Prefix(text), "21f898a6db8a883f");

    EXPECT_EQ(linesOf(text)[0], "Velamor - Application software load procedure. ");
    EXPECT_EQ(lastLineOf(text),
              "5. You have now successfully uploaded the new application software to your Velamor. ");
    EXPECT_TRUE(text.endsWith(". \n"));
    EXPECT_FALSE(text.endsWith("\n\n"));

    EXPECT_TRUE(text.contains("are not be affected"));
    EXPECT_TRUE(text.contains("\n \n"));
    EXPECT_TRUE(text.contains(",\n    from the list"));
    EXPECT_FALSE(text.contains("TROUBLE SHOOTING"));
    EXPECT_FALSE(text.contains(siteLineStart));
}

TEST(HelpTexts, EveryTextIsPinnedPlainAsciiWithLineFeedsOnly)
{
    for (const auto& entry : allTexts)
    {
        SCOPED_TRACE(entry.product);
        const auto bytes = bytesOf(entry.text);

        EXPECT_EQ(entry.text.length(), entry.length);
        EXPECT_EQ(bytes.size(), (size_t)entry.length) << "not plain ASCII";
        EXPECT_EQ(linesOf(entry.text).size() - 1, entry.lineFeeds);
        EXPECT_EQ(sha256Prefix(entry.text), entry.sha256Prefix);

        EXPECT_EQ(bytes.find('\r'), std::string::npos);
        EXPECT_EQ(bytes.find('\t'), std::string::npos);
        EXPECT_TRUE(entry.text.endsWith("\n"));
    }
}

TEST(HelpTexts, ProductsKeepTheirDistinguishingFeatures)
{
    // Tarnis: two blanks end two of its steps.
    EXPECT_TRUE(tarnisHelpText.contains("MIDI-In socket.  \n"));
    EXPECT_TRUE(tarnisHelpText.contains("reboots.  \n"));

    // Corvex: a PC only, three-blank indents, no web-site line, and it ends with a blank line.
    EXPECT_TRUE(corvexHelpText.endsWith(".\n\n"));
    EXPECT_FALSE(corvexHelpText.endsWith("\n\n\n"));
    EXPECT_FALSE(corvexHelpText.contains(siteLineStart));
    EXPECT_FALSE(corvexHelpText.contains("Mac"));
    EXPECT_TRUE(corvexHelpText.contains(",\n   from the list"));
    EXPECT_FALSE(corvexHelpText.contains("\n    "));

    // Harrow: a USB interface, no IMPORTANT paragraph, and the address carries a path.
    EXPECT_FALSE(harrowHelpText.contains("IMPORTANT"));
    EXPECT_TRUE(harrowHelpText.contains("standard USB Interface"));
    EXPECT_TRUE(harrowHelpText.endsWith("/Harrow for release notes.  \n"));

    // Everything else carries the IMPORTANT paragraph before the steps.
    for (const auto* text : { &tarnisHelpText, &ombrelHelpText, &corvexHelpText, &velamorHelpText,
                              &quillonHelpText, &bassAmplifierHelpText })
        EXPECT_TRUE(text->contains("IMPORTANT: Before starting the load procedure"));
}

TEST(HelpTexts, FiveTextsNameTheSameWebSiteInTheirLastLine)
{
    const auto siteOf = [](const juce::String& text)
    {
        const auto line = lastLineOf(text);
        EXPECT_TRUE(line.startsWith(siteLineStart)) << line;
        return line.fromFirstOccurrenceOf(siteLineStart, false, false)
            .upToFirstOccurrenceOf(" ", false, false);
    };

    const auto site = siteOf(tarnisHelpText);
    EXPECT_TRUE(site.containsChar('.'));
    EXPECT_FALSE(site.containsAnyOf("/ "));

    for (const auto* text : { &ombrelHelpText, &quillonHelpText, &bassAmplifierHelpText })
    {
        EXPECT_EQ(siteOf(*text), site);
        EXPECT_TRUE(lastLineOf(*text).endsWith(site + " for release notes."));
    }

    EXPECT_EQ(siteOf(harrowHelpText), site + "/Harrow");
}
