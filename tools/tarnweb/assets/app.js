// The console's page: log on, pick an object kind, page through its items
// with a filter, define, alter, copy, rename and delete items, manage group
// members, export and import record files. Every form and filter is built
// from the kind's field descriptions (GET .../fields); the console has no
// code of its own for any kind.
'use strict';

const api = '/api/v1';
const state = {
  session: null,     // {node, user, csrf}
  kind: null,        // the kind's description
  criteria: [],      // "FIELD=VALUE" texts of the applied filter
  cursors: [''],     // the `after` of each page seen so far
  page: 0,
  group: null,
};

const $ = (id) => document.getElementById(id);
const operators = {EQ: '=', NE: '!=', LT: '<', LE: '<=', GT: '>', GE: '>='};

// ------------------------------------------------------------ talking to the API

class ApiError extends Error {
  constructor(status, body) {
    super(body && body.message ? body.message : 'HTTP ' + status);
    this.status = status;
    this.body = body || {};
  }
}

async function call(method, path, body) {
  const headers = {};
  if (body !== undefined) headers['Content-Type'] = 'application/json';
  if (method !== 'GET' && state.session) headers['X-CSRF-Token'] = state.session.csrf;
  const response = await fetch(api + path, {
    method, headers, credentials: 'same-origin',
    body: body === undefined ? undefined : JSON.stringify(body),
  });
  const text = await response.text();
  let parsed = null;
  try { parsed = text ? JSON.parse(text) : null; } catch (e) { parsed = {message: text}; }
  if (response.status === 401 && state.session && path !== '/session') showLogon('The session has ended: log on again.');
  if (!response.ok) throw new ApiError(response.status, parsed);
  return parsed;
}

function kindPath(suffix) {
  return '/nodes/' + encodeURIComponent(state.session.node) + '/kinds/' + encodeURIComponent(state.kind.kind) + suffix;
}

function query(params) {
  const parts = [];
  for (const [name, value] of params) parts.push(encodeURIComponent(name) + '=' + encodeURIComponent(value));
  return parts.length ? '?' + parts.join('&') : '';
}

// The node's message after every action, or what went wrong.
function say(text, isError) {
  const status = $('status');
  status.textContent = text || '';
  status.classList.toggle('error', !!isError);
}

function sayError(error) {
  say(error instanceof ApiError ? error.message : String(error), true);
}

function element(tag, attributes, text) {
  const e = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes || {})) {
    if (value === true) e.setAttribute(name, '');
    else if (value !== false && value !== null && value !== undefined) e.setAttribute(name, value);
  }
  if (text !== undefined) e.textContent = text;
  return e;
}

// ------------------------------------------------------------ logon

function showLogon(message) {
  state.session = null;
  $('work-view').hidden = true;
  $('who').hidden = true;
  $('logon-view').hidden = false;
  if (message) say(message, true);
  $('logon-node').focus();
}

async function showWork() {
  $('logon-view').hidden = true;
  $('work-view').hidden = false;
  $('who').hidden = false;
  $('who-text').textContent = state.session.user + ' on ' + state.session.node;
  const kinds = await call('GET', '/kinds');
  const select = $('kind');
  select.replaceChildren();
  for (const name of kinds.kinds) {
    if (name === 'LOCALMAP') continue;
    select.append(element('option', {value: name}, name));
  }
  await pickKind(select.value);
}

$('logon-form').addEventListener('submit', async (event) => {
  event.preventDefault();
  const password = $('logon-password');
  try {
    const session = await call('POST', '/session', {
      node: $('logon-node').value.trim(), user: $('logon-user').value.trim(), password: password.value,
    });
    password.value = '';
    state.session = session;
    say(session.message);
    await showWork();
  } catch (error) {
    password.value = '';
    sayError(error);
  }
});

$('logoff').addEventListener('click', async () => {
  try {
    const answer = await call('DELETE', '/session');
    showLogon();
    say(answer.message);
  } catch (error) {
    sayError(error);
  }
});

// ------------------------------------------------------------ kinds and items

async function pickKind(name) {
  if (!name) return;
  try {
    state.kind = await call('GET', '/nodes/' + encodeURIComponent(state.session.node) + '/kinds/' +
                            encodeURIComponent(name) + '/fields');
  } catch (error) {
    return sayError(error);
  }
  state.criteria = [];
  $('criteria').replaceChildren();
  buildHead();
  await firstPage();
  $('groups-view').hidden = !state.kind.groups;
  if (state.kind.groups) await loadGroups();
}

$('kind').addEventListener('change', (event) => pickKind(event.target.value));

function shownFields() {
  return state.kind.fields.filter((f) => !f.pseudo);
}

function buildHead() {
  const row = element('tr');
  for (const f of shownFields()) row.append(element('th', {scope: 'col'}, f.label));
  row.append(element('th', {scope: 'col'}, 'Actions'));
  $('items').tHead.replaceChildren(row);
}

async function firstPage() {
  state.cursors = [''];
  state.page = 0;
  await loadPage();
}

async function loadPage() {
  const params = state.criteria.map((c) => ['where', c]);
  params.push(['limit', $('page-size').value]);
  const after = state.cursors[state.page];
  if (after) params.push(['after', after]);
  let answer;
  try {
    answer = await call('GET', kindPath('/items' + query(params)));
  } catch (error) {
    return sayError(error);
  }
  state.cursors.length = state.page + 1;
  if (answer.more) state.cursors.push(answer.next);
  renderItems(answer.items);
  const first = state.page * Number($('page-size').value);
  $('page-info').textContent = answer.count ? 'Items ' + (first + 1) + ' to ' + (first + answer.count) : 'No items';
  $('items-caption').textContent = state.kind.kind + (state.criteria.length ? ' where ' + state.criteria.join(', ') : '');
  $('prev-page').disabled = state.page === 0;
  $('first-page').disabled = state.page === 0;
  $('next-page').disabled = !answer.more;
  say(answer.message);
}

function renderItems(items) {
  const body = $('items').tBodies[0];
  body.replaceChildren();
  const keyName = state.kind.key;
  for (const item of items) {
    const row = element('tr');
    for (const f of shownFields()) row.append(element('td', {'data-label': f.label}, item[f.name] ?? ''));
    const cell = element('td');
    const actions = element('div', {class: 'actions'});
    cell.append(actions);
    const key = item[keyName];
    const add = (label, handler) => {
      const button = element('button', {type: 'button', 'aria-label': label + ' ' + key}, label);
      button.addEventListener('click', handler);
      actions.append(button);
    };
    add('Edit', () => openItem(key));
    add('Copy', () => askKey('copy', key));
    add('Rename', () => askKey('rename', key));
    add('Delete', () => deleteItem(key));
    row.append(cell);
    body.append(row);
  }
}

$('next-page').addEventListener('click', () => { state.page += 1; loadPage(); });
$('prev-page').addEventListener('click', () => { state.page = Math.max(0, state.page - 1); loadPage(); });
$('first-page').addEventListener('click', () => firstPage());
$('page-size').addEventListener('change', () => firstPage());

// ------------------------------------------------------------ the filter builder

function filterFields() {
  return shownFields().filter((f) => !f.password);
}

function valueChoices(field) {
  if (field.valid_values.length) return field.valid_values;
  if (field.type === 'BOOL') return ['TRUE', 'FALSE'];
  return null;
}

function addCriterion() {
  const n = $('criteria').children.length + 1;
  const row = element('div', {class: 'criterion'});
  const fieldSelect = element('select', {id: 'crit-field-' + n, 'aria-label': 'Field of criterion ' + n});
  for (const f of filterFields()) fieldSelect.append(element('option', {value: f.name}, f.label));
  const opSelect = element('select', {id: 'crit-op-' + n, 'aria-label': 'Operator of criterion ' + n});
  const valueSlot = element('span');
  const remove = element('button', {type: 'button', 'aria-label': 'Remove criterion ' + n}, 'Remove');
  const refresh = () => {
    const field = filterFields().find((f) => f.name === fieldSelect.value);
    opSelect.replaceChildren();
    for (const relop of field.relops.length ? field.relops : ['EQ', 'NE'])
      opSelect.append(element('option', {value: operators[relop] || '='}, operators[relop] || relop));
    const choices = valueChoices(field);
    let input;
    if (choices) {
      input = element('select');
      for (const c of choices) input.append(element('option', {value: c}, c));
    } else {
      input = element('input', {type: 'text', placeholder: field.type === 'DATE' ? state.kind.date_format : '* matches any text'});
    }
    input.id = 'crit-value-' + n;
    input.setAttribute('aria-label', 'Value of criterion ' + n);
    input.classList.add('crit-value');
    valueSlot.replaceChildren(input);
  };
  fieldSelect.addEventListener('change', refresh);
  remove.addEventListener('click', () => row.remove());
  row.append(fieldSelect, opSelect, valueSlot, remove);
  $('criteria').append(row);
  refresh();
  fieldSelect.focus();
}

$('add-criterion').addEventListener('click', addCriterion);

$('filter-form').addEventListener('submit', (event) => {
  event.preventDefault();
  state.criteria = [...$('criteria').children].map((row) => {
    const [field, op] = row.querySelectorAll('select');
    return field.value + op.value + row.querySelector('.crit-value').value;
  });
  firstPage();
});

$('clear-filter').addEventListener('click', () => {
  $('criteria').replaceChildren();
  state.criteria = [];
  firstPage();
});

// ------------------------------------------------------------ item forms

let editing = null;  // {mode: 'define'|'alter', key, original}
let checkTimers = {};

function fieldInput(field, value, mode) {
  const id = 'field-' + field.name.replace(/[^A-Za-z0-9_-]/g, '_');
  const keyLocked = mode === 'alter' && field.key;
  const locked = field.readonly || keyLocked;
  const choices = valueChoices(field);
  let input;
  if (choices && !locked) {
    input = element('select', {id});
    if (!field.required) input.append(element('option', {value: ''}, mode === 'define' ? '(default)' : ''));
    for (const c of choices) input.append(element('option', {value: c}, c));
    input.value = value;
  } else {
    input = element('input', {id, type: field.password ? 'password' : 'text', spellcheck: 'false'});
    if (field.password) input.setAttribute('autocomplete', 'new-password');
    input.value = field.password ? '' : value;
    if (field.max_length) input.maxLength = field.max_length;
    if (field.type === 'DATE') input.placeholder = state.kind.date_format;
    else if (field.password && mode === 'alter') input.placeholder = 'unchanged';
    else if (mode === 'define' && field.default) input.placeholder = field.default;
  }
  if (locked) input.readOnly = true;
  if (field.required && !locked) input.required = true;
  input.dataset.field = field.name;
  return input;
}

function fieldRow(field, value, mode) {
  const input = fieldInput(field, value, mode);
  const label = element('label', {for: input.id}, field.label);
  if (field.required) label.append(element('span', {class: 'required', 'aria-hidden': 'true'}, ' *'));
  const hints = [];
  if (input.tagName !== 'SELECT') {
    if (field.type === 'DATE') hints.push('date, ' + state.kind.date_format);
    else if (field.type !== 'TEXT') hints.push(field.type === 'INT' || field.type === 'REAL' ? 'number' : field.type);
    if (field.low !== null && field.high !== null) hints.push(field.low + ' to ' + field.high);
    else if (field.max_length) hints.push('at most ' + field.max_length + ' characters');
    if (field.uppercase) hints.push('upper case');
    if (field.lowercase) hints.push('lower case');
  }
  if (field.readonly) hints.push('read only');
  if (field.password && mode === 'alter') hints.push('left empty, it stays as it is');
  const hint = element('span', {class: 'hint', id: input.id + '-hint'}, hints.join(', '));
  const message = element('span', {class: 'field-message', id: input.id + '-message', 'aria-live': 'polite'});
  input.setAttribute('aria-describedby', hint.id + ' ' + message.id);
  if (!input.readOnly) input.addEventListener('input', () => scheduleCheck(input, message));
  if (input.tagName === 'SELECT') input.addEventListener('change', () => scheduleCheck(input, message));
  const row = element('div', {class: 'field'});
  row.append(label, input, hint, message);
  return row;
}

// Each value is checked by the library as it is typed: the node's rules,
// the library's message beside the field.
function scheduleCheck(input, message) {
  clearTimeout(checkTimers[input.id]);
  checkTimers[input.id] = setTimeout(() => checkValue(input, message), 250);
}

async function checkValue(input, message) {
  const value = input.value;
  if (value === '') {
    message.textContent = '';
    input.removeAttribute('aria-invalid');
    return;
  }
  try {
    await call('POST', kindPath('/validate'), {field: input.dataset.field, value});
    if (input.value !== value) return;
    message.textContent = '';
    message.classList.remove('bad');
    input.removeAttribute('aria-invalid');
  } catch (error) {
    if (input.value !== value) return;
    message.textContent = error.body.meaning ? error.body.meaning + ' (code ' + error.body.code + ')' : error.message;
    message.classList.add('bad');
    input.setAttribute('aria-invalid', 'true');
  }
}

function openForm(mode, key, item) {
  editing = {mode, key, original: item || {}};
  $('item-title').textContent = mode === 'define' ? 'New ' + state.kind.kind : state.kind.kind + ' ' + key;
  const fields = $('item-fields');
  fields.replaceChildren();
  for (const f of shownFields()) fields.append(fieldRow(f, item ? (item[f.name] ?? '') : '', mode));
  $('item-dialog').showModal();
  const first = fields.querySelector('input:not([readonly]), select');
  if (first) first.focus();
}

async function openItem(key) {
  try {
    const answer = await call('GET', kindPath('/items/' + encodeURIComponent(key)));
    openForm('alter', key, answer.item);
  } catch (error) {
    sayError(error);
  }
}

$('new-item').addEventListener('click', () => openForm('define'));
$('item-cancel').addEventListener('click', () => $('item-dialog').close());

$('item-form').addEventListener('submit', async (event) => {
  event.preventDefault();
  const values = {};
  for (const input of $('item-fields').querySelectorAll('input, select')) {
    if (input.readOnly) continue;
    const name = input.dataset.field;
    const value = input.value;
    if (editing.mode === 'define' ? value === '' : value === (editing.original[name] ?? '')) continue;
    if (input.type === 'password' && value === '') continue;
    values[name] = value;
  }
  try {
    const answer = editing.mode === 'define'
      ? await call('POST', kindPath('/items'), values)
      : await call('PATCH', kindPath('/items/' + encodeURIComponent(editing.key)), values);
    $('item-dialog').close();
    say(answer.message);
    await loadPage();
    say(answer.message);
  } catch (error) {
    sayError(error);
    const field = error.body && error.body.field;
    const input = field && $('item-fields').querySelector('[data-field="' + CSS.escape(field) + '"]');
    if (input) {
      document.getElementById(input.id + '-message').textContent = error.message;
      input.setAttribute('aria-invalid', 'true');
      input.focus();
    }
  }
});

// ------------------------------------------------------------ copy, rename, delete

let keyAction = null;  // {what: 'copy'|'rename', key}

function askKey(what, key) {
  keyAction = {what, key};
  $('key-title').textContent = (what === 'copy' ? 'Copy ' : 'Rename ') + state.kind.kind + ' ' + key;
  $('new-key').value = '';
  $('key-dialog').showModal();
  $('new-key').focus();
}

$('key-cancel').addEventListener('click', () => $('key-dialog').close());

$('key-form').addEventListener('submit', async (event) => {
  event.preventDefault();
  try {
    const answer = await call('POST', kindPath('/items/' + encodeURIComponent(keyAction.key) + '/' + keyAction.what),
                              {new_key: $('new-key').value.trim()});
    $('key-dialog').close();
    await loadPage();
    say(answer.message);
  } catch (error) {
    sayError(error);
  }
});

async function deleteItem(key) {
  if (!window.confirm('Delete ' + state.kind.kind + ' ' + key + '?')) return;
  try {
    const answer = await call('DELETE', kindPath('/items/' + encodeURIComponent(key)));
    await loadPage();
    say(answer.message);
  } catch (error) {
    sayError(error);
  }
}

// ------------------------------------------------------------ groups

async function loadGroups() {
  try {
    const answer = await call('GET', kindPath('/groups'));
    const select = $('group');
    select.replaceChildren();
    for (const item of answer.items) select.append(element('option', {value: item[state.kind.key]}, item[state.kind.key]));
    await loadMembers();
  } catch (error) {
    sayError(error);
  }
}

async function loadMembers() {
  const group = $('group').value;
  const list = $('members');
  list.replaceChildren();
  if (!group) return;
  const answer = await call('GET', kindPath('/groups/' + encodeURIComponent(group) + '/members'));
  const memberField = state.kind.group_fields.find((f) => f.key);
  for (const item of answer.items) {
    const member = item[memberField.name];
    const entry = element('li', {}, member + ' ');
    const remove = element('button', {type: 'button', 'aria-label': 'Remove ' + member + ' from ' + group}, 'Remove');
    remove.addEventListener('click', async () => {
      try {
        const done = await call('DELETE', kindPath('/groups/' + encodeURIComponent(group) + '/members/' +
                                                   encodeURIComponent(member)));
        await loadMembers();
        await loadPage();
        say(done.message);
      } catch (error) {
        sayError(error);
      }
    });
    entry.append(remove);
    list.append(entry);
  }
}

$('group').addEventListener('change', () => loadMembers().catch(sayError));

$('member-form').addEventListener('submit', async (event) => {
  event.preventDefault();
  try {
    const answer = await call('POST', kindPath('/groups/' + encodeURIComponent($('group').value) + '/members'),
                              {member: $('member-name').value.trim()});
    $('member-name').value = '';
    await loadMembers();
    await loadPage();
    say(answer.message);
  } catch (error) {
    sayError(error);
  }
});

// ------------------------------------------------------------ export and import

function showProgress(done, total) {
  const bar = $('transfer');
  bar.hidden = false;
  if (total > 0) { bar.max = total; bar.value = done; } else bar.removeAttribute('value');
}

$('export').addEventListener('click', async () => {
  const params = state.criteria.map((c) => ['where', c]);
  try {
    const response = await fetch(api + kindPath('/export' + query(params)), {credentials: 'same-origin'});
    if (!response.ok) throw new ApiError(response.status, await response.json());
    const total = Number(response.headers.get('Content-Length')) || 0;
    const reader = response.body.getReader();
    const chunks = [];
    let received = 0;
    for (;;) {
      const {done, value} = await reader.read();
      if (done) break;
      chunks.push(value);
      received += value.length;
      showProgress(received, total);
    }
    const link = element('a', {href: URL.createObjectURL(new Blob(chunks)), download: state.kind.kind + '.rdw'});
    document.body.append(link);
    link.click();
    link.remove();
    say(response.headers.get('X-Record-Count') + ' exported to ' + state.kind.kind + '.rdw');
  } catch (error) {
    sayError(error);
  } finally {
    $('transfer').hidden = true;
  }
});

$('import-label').addEventListener('keydown', (event) => {
  if (event.key === 'Enter' || event.key === ' ') { event.preventDefault(); $('import-file').click(); }
});

$('import-file').addEventListener('change', () => {
  const file = $('import-file').files[0];
  if (!file) return;
  const request = new XMLHttpRequest();
  const existing = $('import-existing').value;
  request.open('POST', api + kindPath('/import' + (existing ? query([['existing', existing]]) : '')));
  request.setRequestHeader('Content-Type', 'application/octet-stream');
  request.setRequestHeader('Accept', 'application/x-ndjson');
  request.setRequestHeader('X-CSRF-Token', state.session.csrf);
  request.upload.onprogress = (e) => { showProgress(e.loaded, e.total); say('Sending ' + file.name + '...'); };
  let seen = 0;
  let summary = null;
  const readLines = () => {
    const lines = request.responseText.split('\n');
    for (; seen < lines.length - 1; ++seen) {
      const line = JSON.parse(lines[seen]);
      if (line.done !== undefined) {
        showProgress(line.done, line.total);
        say('Defined ' + line.done + ' of ' + line.total + '...');
      } else {
        summary = line;
        say(line.message, line.failed > 0 || line.code !== undefined);
      }
    }
  };
  request.onprogress = readLines;
  request.onload = () => {
    $('transfer').hidden = true;
    $('import-file').value = '';
    if (request.status !== 200) {
      let body = {};
      try { body = JSON.parse(request.responseText); } catch (e) { /* not JSON */ }
      return sayError(new ApiError(request.status, body));
    }
    readLines();
    loadPage().then(() => {
      if (!summary) return;
      const first = summary.failures && summary.failures[0];
      say(summary.message + (first ? '; record ' + first.record + ': ' + first.message : ''), summary.failed > 0);
    });
  };
  request.onerror = () => { $('transfer').hidden = true; say('The import could not be sent', true); };
  request.send(file);
});

// ------------------------------------------------------------ start

(async () => {
  try {
    state.session = await call('GET', '/session');
    await showWork();
  } catch (error) {
    showLogon();
  }
})();
