#pragma once

#include "core/app/GlobalConstants.h"
#include "core/settings/Property.h"
#include "core/xml/XmlParser.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The pieces of the update check that need neither a window nor the network.

inline constexpr const wchar_t* kUpdateInfoPath = L"/update/info.php";
// A check runs when the last one is at least this many whole days old.
inline constexpr int kUpdateCheckIntervalDays = 7;

// Whole days from one FILETIME to another, truncated towards zero; negative when the clock
// went back.
int daysBetween(FT from, FT to);

// Whether an announcement should be shown: its identifier is greater than the stored one,
// compared as text (code unit by code unit, a prefix is less). An empty identifier never is.
bool isUnseenAnnouncement(const std::wstring& storedId, const std::wstring& receivedId);

// Whether a link from an update reply may be offered to the browser: trimmed, it starts with
// "http://" or "https://" (any case) and holds no control character. The reply arrives over
// plain HTTP, so anything else (a program path, a share, a file: link) is never opened.
bool isWebLink(const std::wstring& link);

// An announcement is shown in a message box, which grows with its text: longer texts are cut.
inline constexpr std::size_t kMaxAnnouncementChars = 2000;

// The announcement as shown: at most kMaxAnnouncementChars units, cut before a character that
// would be split (a surrogate pair, or a letter and the marks that combine with it) and ended
// with an ellipsis when anything was cut.
std::wstring shownAnnouncement(const std::wstring& text);

// Whether the endpoint's host lies under the reserved ".invalid" domain, which never resolves:
// a build without an endpoint of its own has no update check and sends nothing anywhere.
bool isInvalidDomainEndpoint(const std::wstring& endpoint);

// The three texts of an update reply.
struct UpdateReply {
    bool wellFormed = false;
    std::wstring announcementId;
    std::wstring newVersionInfo;
    std::wstring moreInfoUrl;
};

// Collects the text of the "AnnouncementID", "NewVersionInfo" and "MoreInfoURL" elements,
// wherever they stand; everything else is ignored.
class UpdateResponseParser : public XmlParser {
public:
    void startElement(const std::wstring& name, const XmlAttributes& attributes,
                      bool isEmpty) override;
    void endElement(const std::wstring& name, bool isEmpty) override;
    void characterData(const std::wstring& text) override;
    void cdata(const std::wstring& text) override { characterData(text); }

    std::wstring announcementId;
    std::wstring newVersionInfo;
    std::wstring moreInfoUrl;

private:
    bool inAnnouncementId_ = false;
    bool inNewVersionInfo_ = false;
    bool inMoreInfoUrl_ = false;
};

// Parses a reply text; wellFormed is false when the XML is not, and the texts are then empty.
UpdateReply parseUpdateReply(const std::wstring& text);
