#!/usr/bin/env node
// Walks a PST store's folders as pst-extractor's users do (each folder's contents table,
// item by item) and prints every contact it finds as one JSON object per line: the
// folder path, the contact's fields and its attachments (name, size, SHA-256 of the bytes
// read). The last line counts the folders and contacts.
//     node walk_contacts.js STORE.pst [--count-only]
'use strict';

const crypto = require('crypto');
const path = require('path');
const { PSTFile } = require('pst-extractor');

const store = process.argv[2];
const countOnly = process.argv.includes('--count-only');
if (!store) {
    console.error('usage: node walk_contacts.js STORE.pst [--count-only]');
    process.exit(2);
}

// The fields compared with the address book, by pst-extractor's names.
const FIELDS = [
    'messageClass', 'displayName', 'subject', 'givenName', 'middleName', 'surname', 'displayNamePrefix',
    'generation', 'nickname', 'initials', 'fileUnder', 'companyName', 'title', 'departmentName',
    'officeLocation', 'managerName', 'assistant', 'spouseName', 'childrensNames', 'businessTelephoneNumber',
    'homeTelephoneNumber', 'mobileTelephoneNumber', 'pagerTelephoneNumber', 'otherTelephoneNumber',
    'businessFaxNumber', 'homeFaxNumber', 'personalHomePage', 'businessHomePage', 'workAddressStreet',
    'workAddressCity', 'workAddressState', 'workAddressPostalCode', 'workAddressCountry', 'workAddress',
    'homeAddressStreet', 'homeAddressCity', 'homeAddressStateOrProvince', 'homeAddressPostalCode',
    'homeAddressCountry', 'homeAddress', 'email1EmailAddress', 'email1AddressType', 'email1DisplayName',
    'email2EmailAddress', 'email2AddressType', 'email2DisplayName', 'email3EmailAddress', 'email3AddressType',
    'email3DisplayName', 'fax1AddressType', 'fax1EmailAddress', 'fax2AddressType', 'fax2EmailAddress',
    'fax3AddressType', 'body', 'colorCategories', 'birthday', 'anniversary',
];

function fieldsOf(item) {
    const out = {};
    for (const name of FIELDS) {
        let value = item[name];
        if (value instanceof Date) value = value.toISOString();
        if (value !== undefined && value !== null) out[name] = value;
    }
    return out;
}

// Each attachment's name, the size the store gives, and the bytes read, hashed.
function attachmentsOf(item) {
    const out = [];
    for (let i = 0; i < item.numberOfAttachments; ++i) {
        const attachment = item.getAttachment(i);
        const stream = attachment.fileInputStream;
        const hash = crypto.createHash('sha256');
        let read = 0;
        if (stream) {
            const buffer = Buffer.alloc(8176);
            for (let n = stream.read(buffer); n > 0; n = stream.read(buffer)) {
                hash.update(buffer.subarray(0, n));
                read += n;
            }
        }
        out.push({ name: attachment.longFilename || attachment.filename, size: attachment.filesize, read,
                   sha256: hash.digest('hex') });
    }
    return out;
}

let folders = 0;
let contacts = 0;
let others = 0;

function walk(folder, trail) {
    ++folders;
    if (folder.hasSubfolders)
        for (const child of folder.getSubFolders()) walk(child, trail.concat(child.displayName));
    if (folder.contentCount > 0) {
        for (let item = folder.getNextChild(); item !== null; item = folder.getNextChild()) {
            if (item.messageClass && item.messageClass.startsWith('IPM.Contact')) {
                ++contacts;
                if (!countOnly) {
                    const attachments = item.hasAttachments ? { attachments: attachmentsOf(item) } : {};
                    process.stdout.write(JSON.stringify({ folder: trail.join('/'), ...fieldsOf(item), ...attachments }) + '\n');
                }
            } else {
                ++others;
            }
        }
    }
}

const file = new PSTFile(path.resolve(store));
walk(file.getRootFolder(), []);
process.stdout.write(JSON.stringify({ folders, contacts, others }) + '\n');
