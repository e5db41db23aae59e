#pragma once
// The CUETools database's answer to a lookup: XML, a root element "ctdb" with an element "entry" per
// pressing (or version of one) that people submitted, each holding its CRCs and confidence in attributes.
// What else the reply holds (other elements, text, comments) is passed over.

#include <string>
#include <vector>

#include "cd/Ctdb.h"

// The reply's entries; false when the text is not such a reply: not well-formed XML of elements with
// attributes, another root, or an entry whose crc32, confidence, toc or trackcrcs is missing or malformed
// (trackcrcs, which older entries lack, must name a CRC for each audio track of the entry's toc).
bool ParseCtdbReply(const std::string& xml, std::vector<CtdbEntry>& entries);
