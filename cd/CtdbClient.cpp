#include "cd/CtdbClient.h"

#include "cd/CtdbReply.h"
#include "cd/CtdbToc.h"

namespace {

// The entries of the disc among those of a reply.
CtdbLookup LookupOf(const std::vector<CtdbEntry>& entries, const std::string& toc) {
  CtdbLookup lookup;
  for (const CtdbEntry& entry : entries)
    if (entry.toc == toc) lookup.entries.push_back(entry);
  lookup.result = lookup.entries.empty() ? CtdbLookup::Result::NotInDatabase : CtdbLookup::Result::Found;
  return lookup;
}

}  // namespace

CtdbLookup CtdbClient::Look(const TableOfContents& toc, const std::function<bool()>& keepWaiting) const {
  const std::string text = CtdbTocText(toc);
  const std::string kept = "ctdb/" + CtdbTocId(toc) + ".xml";
  std::vector<CtdbEntry> entries;
  std::string cached;
  if (Kept(kept, cached) && ParseCtdbReply(cached, entries)) return LookupOf(entries, text);
  HttpReply reply = Get("lookup2.php?version=3&ctdb=1&fuzzy=1&metadata=none&toc=" + text, {}, keepWaiting);
  CtdbLookup lookup;
  if (reply.status == 404) {
    lookup.result = CtdbLookup::Result::NotInDatabase;
  } else if (reply.status != 200) {
    lookup.error = Failure(reply);
  } else if (!ParseCtdbReply(reply.body, entries)) {
    lookup.error = "the server's reply is malformed";
  } else {
    lookup = LookupOf(entries, text);
    // Only a disc the database holds is kept: one it lacks may be submitted meanwhile.
    if (lookup.result == CtdbLookup::Result::Found) Keep(kept, reply.body);
  }
  return lookup;
}
