#pragma once
// Comment fields set in a finished FLAC file's Vorbis comment block through libFLAC's metadata interface:
// the block is written back into the padding where it fits, else libFLAC writes the whole file anew beside
// it and puts it in its place, so a failure leaves the file as it was.

#include <string>
#include <utility>
#include <vector>

using CommentField = std::pair<std::string, std::string>;  // name, value

// Each field's earlier comments dropped and NAME=value added. Throws EACSException saying why the file
// could not be read or written.
void SetFlacCommentFields(const std::string& path, const std::vector<CommentField>& fields);
