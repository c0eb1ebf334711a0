// Reads a vCard file (3.0 or 4.0) with ical.js and prints every card as jCard (RFC 7095):
// the properties with their parameters, value types and values as ical.js understood
// them. The Python side compares them with the contact model.
//     node read_vcards.mjs FILE
import { readFileSync } from "node:fs";
import ICAL from "ical.js";

const text = readFileSync(process.argv[2], "utf8");
let parsed = ICAL.parse(text);
// One card parses to a jCard; several to an array of them.
if (parsed.length > 0 && parsed[0] === "vcard") parsed = [parsed];
const cards = parsed.map((jcard) => {
  const card = new ICAL.Component(jcard);
  return card.getAllProperties().map((property) => ({
    name: property.name,
    params: property.toJSON()[1],
    type: property.toJSON()[2],
    // jCard's values: a string each, or an array of components for N, ADR and ORG.
    values: property.toJSON().slice(3),
  }));
});
process.stdout.write(JSON.stringify(cards));
