#pragma once
// The batch's report beside its output: FOLDER/NAME.report.json and FOLDER/NAME.report.csv, both written anew
// after every disc and put in place in one step each, so that a reader never sees half of one.

#include <string>
#include <vector>

#include "batch/BatchQueue.h"

class BatchReport {
 public:
  BatchReport(std::string folder, std::string name);
  // Every disc of the queue, then one summary per drive; returns what could not be written and why, empty
  // when both files were.
  std::string Write(const std::vector<QueuedDisc>& discs) const;
  // Removes what a killed run left half written of the report's files.
  void RemoveLeftovers() const;
  std::string JsonPath() const { return FFolder + "/" + FName + ".report.json"; }
  std::string CsvPath() const { return FFolder + "/" + FName + ".report.csv"; }

 private:
  std::string FFolder;
  std::string FName;
};
