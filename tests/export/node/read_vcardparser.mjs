// Reads a vCard file with vcard-parser and prints its reading of every card as JSON:
// {property: [{value, meta}]}, the value a string or, where it holds an unescaped ";"
// or ",", the parts. vcard-parser reads one card at a time, so the file is cut at
// every END:VCARD first.
//     node read_vcardparser.mjs FILE
import { readFileSync } from "node:fs";
import vcard from "vcard-parser";

const text = readFileSync(process.argv[2], "utf8");
const cards = text.split(/^END:VCARD\r?\n/m).filter((card) => card.trim() !== "");
process.stdout.write(JSON.stringify(cards.map((card) => vcard.parse(card))));
