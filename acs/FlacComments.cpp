#include "acs/FlacComments.h"

#include <FLAC/metadata.h>

#include <cstdlib>
#include <memory>

#include "acs/ACS_Classes.h"
#include "platform/files/ReplacementFile.h"

namespace {

struct ChainDeleter {
  void operator()(FLAC__Metadata_Chain* chain) const { FLAC__metadata_chain_delete(chain); }
};
struct IteratorDeleter {
  void operator()(FLAC__Metadata_Iterator* iterator) const { FLAC__metadata_iterator_delete(iterator); }
};

[[noreturn]] void Fail(const std::string& path, FLAC__Metadata_Chain* chain) {
  throw EACSException(path + ": " + FLAC__Metadata_ChainStatusString[FLAC__metadata_chain_status(chain)]);
}

// The file's comment block; a new one after the stream information when it has none.
FLAC__StreamMetadata* CommentBlock(FLAC__Metadata_Chain* chain) {
  std::unique_ptr<FLAC__Metadata_Iterator, IteratorDeleter> iterator(FLAC__metadata_iterator_new());
  if (!iterator) throw EACSException("Out of memory");
  FLAC__metadata_iterator_init(iterator.get(), chain);
  do {
    if (FLAC__metadata_iterator_get_block_type(iterator.get()) == FLAC__METADATA_TYPE_VORBIS_COMMENT)
      return FLAC__metadata_iterator_get_block(iterator.get());
  } while (FLAC__metadata_iterator_next(iterator.get()));
  FLAC__metadata_iterator_init(iterator.get(), chain);
  FLAC__StreamMetadata* block = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
  if (block == nullptr || !FLAC__metadata_iterator_insert_block_after(iterator.get(), block)) {
    if (block != nullptr) FLAC__metadata_object_delete(block);
    throw EACSException("Out of memory");
  }
  return block;
}

void SetField(FLAC__StreamMetadata* block, const CommentField& field) {
  if (FLAC__metadata_object_vorbiscomment_remove_entries_matching(block, field.first.c_str()) < 0)
    throw EACSException("Out of memory");
  FLAC__StreamMetadata_VorbisComment_Entry entry;
  if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, field.first.c_str(), field.second.c_str()))
    throw EACSException("A comment named " + field.first + " cannot be written");
  if (!FLAC__metadata_object_vorbiscomment_append_comment(block, entry, false)) {
    std::free(entry.entry);
    throw EACSException("Out of memory");
  }
}

}  // namespace

void SetFlacCommentFields(const std::string& path, const std::vector<CommentField>& fields) {
  std::unique_ptr<FLAC__Metadata_Chain, ChainDeleter> chain(FLAC__metadata_chain_new());
  if (!chain) throw EACSException("Out of memory");
  // libFLAC puts a new file in place of the name it is given: a link's file is rewritten, the link stays.
  const std::string file = WrittenFile(path);
  if (!FLAC__metadata_chain_read(chain.get(), file.c_str())) Fail(path, chain.get());
  FLAC__StreamMetadata* block = CommentBlock(chain.get());
  for (const CommentField& field : fields) SetField(block, field);
  FLAC__metadata_chain_sort_padding(chain.get());
  if (!FLAC__metadata_chain_write(chain.get(), true, true)) Fail(path, chain.get());
}
